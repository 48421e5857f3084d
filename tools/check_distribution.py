#!/usr/bin/env python3
"""Checks a distribution as the installer built with the vendor's key reads it,
before it is published or after it was uploaded.

    check_distribution.py LOCATION --key vendor_public.pem [--previous OLD]

LOCATION is the distribution folder or its http:// URL (what the installer's
/url names). The tool fetches the list zorv3.lst and every component the way
the key-built installer does: over HTTP with the installer's own request
(HTTP/1.0, the same header lines, no Host field), so that a server that
answers it otherwise than a browser is found. It checks:

  - the list's lines: at most 511 bytes each with the line end, no NUL byte;
  - the signature line: RSA PKCS#1 v1.5 with SHA-256 of every byte before it,
    made with the private key of the vendor_public.pem given;
  - the serial (the first N record): a plain number; with --previous, the
    list published before (a file), higher than its serial, or the very same
    list;
  - every I and M record: its fields, a D record of the same file field
    directly before it, and the bytes the location serves for that file
    against the digest and the size field; the T record against the sum of
    the size fields;
  - file, folder and menu fields of I, M, L and R records that the installer
    refuses: drives, roots, "..", device names.

It prints one line per problem and a summary, and exits with 1 when it found
a problem (each one makes a key-built installer refuse or discard something,
or show wrong progress), 0 when none, 2 on bad usage or an unreadable key.
Python 3 standard library and the "cryptography" package (Debian:
python3-cryptography).
"""

import argparse
import base64
import binascii
import hashlib
import os
import re
import socket
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from make_distribution import (KEY_BITS, LINE_CAPACITY, LIST_NAME, SERIAL_MAX,  # noqa: E402
                               list_lines, split_list_line)

SIGNATURE_TEXT_LENGTH = 344      # base64 of a 2048-bit signature
SIGNATURE_SIZE = 256
URL_CAPACITY = 511               # a component's URL with the terminator fits 512 bytes
REQUEST_CAPACITY = 1023
STATUS_LINE_CAPACITY = 511
TIMEOUT = 60                     # seconds for one fetch
INT32 = 2 ** 32

DEVICE_NAMES = ("con", "prn", "aux", "nul", "clock$", "conin$", "conout$")
# Port names end in a digit, or in the superscript 1, 2 or 3 of the ANSI code page.
PORT_DIGITS = "0123456789\xb9\xb2\xb3"


class CheckError(Exception):
    pass


# -- what the installer refuses as a path ----------------------------------------------

def _ascii_lower(text):
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in text)


def _is_dot_component(part):
    return part != "" and all(c in ". " for c in part)


def _is_device_component(part):
    stem = part.split(".", 1)[0].rstrip(" ")
    lower = _ascii_lower(stem)
    if lower in DEVICE_NAMES:
        return True
    return len(stem) == 4 and stem[3] in PORT_DIGITS and lower[:3] in ("com", "lpt")


def is_safe_relative_path(text):
    """A file or folder field the installer takes: below the installation
    folder, no drive or stream (":"), no root, no component of dots and blanks
    only, no device name; empty components behind the first count as none."""
    if text == "" or text[0] in "\\/" or ":" in text:
        return False
    return not any(_is_dot_component(part) or _is_device_component(part) for part in re.split(r"[\\/]", text))


def refused_path(file, folder):
    """Why the installer refuses a record's file and folder field as a path
    below the installation folder, or None; a folder of "." is the folder itself."""
    if not is_safe_relative_path(file):
        return "the file field %r" % file
    if folder not in (None, "", ".") and not is_safe_relative_path(folder):
        return "the folder field %r" % folder
    return None


def shortcut_program(file):
    """The program of an L record's file field: the text before " -" or " /"."""
    for marker in (" -", " /"):
        if marker in file:
            return file[:file.index(marker)]
    return file


# -- numbers as the installer reads them -----------------------------------------------

def list_number(text):
    """Sizes and totals: leading blanks, a sign, digits, wrapping at 32 bits."""
    match = re.match(r"[ \t]*([+-]?)([0-9]*)", text)
    value = int(match.group(2) or "0") % INT32
    if match.group(1) == "-":
        value = (INT32 - value) % INT32
    return value - INT32 if value >= 2 ** 31 else value


def parse_digest(text):
    return bytes.fromhex(text) if re.fullmatch(r"[0-9a-fA-F]{64}", text) else None


# -- the location --------------------------------------------------------------------

def component_url(base, file):
    return base + ("" if base.endswith("/") else "/") + file


def installer_request(target):
    return b"GET " + target + b" HTTP/1.0\r\nPragma: no-cache\r\nUser-Agent: JQ/2\r\n\r\n"


def status_code(line):
    """The number at the status line's tenth character, as the installer reads it."""
    if len(line) < 10:
        return -1
    match = re.match(r"[ \t]*([+-]?[0-9]*)", line[9:])
    try:
        return int(match.group(1))
    except ValueError:
        return 0


def content_length(header_lines):
    """The length the header states, or None when it states none or no sound one."""
    values = set()
    for line in header_lines:
        name, colon, value = line.partition(b":")
        if colon and name.lower() == b"content-length":
            value = value.strip(b" \t")
            if not re.fullmatch(rb"[0-9]+", value) or int(value) > 2 ** 31 - 1:
                return None
            values.add(int(value))
    return values.pop() if len(values) == 1 else None


def fetch_http(url):
    """The body the installer keeps for url, or raises CheckError saying why it
    would not keep one."""
    encoded = url.encode("latin-1")
    rest = encoded.split(b"://", 1)[1][:1023]
    if b"/" not in rest:
        raise CheckError("the URL %s names no path" % url)
    authority, target = rest.split(b"/", 1)[0], encoded[encoded.index(b"://") + 3 + rest.index(b"/"):]
    host, _, port = authority.decode("latin-1").partition(":")
    request = installer_request(target)
    if len(request) > REQUEST_CAPACITY:
        raise CheckError("the request for %s is longer than the installer's %d bytes" % (url, REQUEST_CAPACITY))
    try:
        with socket.create_connection((host, list_number(port) % 65536 if port else 80), timeout=TIMEOUT) as peer:
            peer.sendall(request)
            chunks = []
            while True:
                chunk = peer.recv(65536)
                if not chunk:
                    break
                chunks.append(chunk)
    except OSError as error:
        raise CheckError("cannot fetch %s: %s" % (url, error))
    response = b"".join(chunks)
    status = re.split(b"[\r\n\0]", response, 1)[0][:STATUS_LINE_CAPACITY].decode("latin-1")
    code = status_code(status)
    if not 200 <= code <= 299:
        raise CheckError("the server answers %s with %r; the installer takes only 2xx answers (a redirect is not "
                         "followed)" % (url, status) if status else "the server sends nothing for %s" % url)
    # The header ends at its first line that holds nothing but CR before its LF.
    lines, offset = [], response.find(b"\n") + 1
    while offset > 0:
        end = response.find(b"\n", offset)
        if end < 0:
            raise CheckError("the answer for %s ends inside its header" % url)
        line = response[offset:end]
        offset = end + 1
        if line.strip(b"\r") == b"":
            break
        lines.append(line.rstrip(b"\r"))
    else:
        raise CheckError("the answer for %s ends inside its header" % url)
    body = response[offset:]
    stated = content_length(lines)
    if stated is not None and stated != len(body):
        raise CheckError("the server sends %d bytes for %s of the %d its Content-Length field states: the "
                         "installer throws a cut body away" % (len(body), url, stated))
    return body


class Location:
    """A distribution folder or HTTP location, read as the installer reads it."""

    def __init__(self, text):
        self.text = text
        self.is_http = text.lower().startswith("http://")
        if not self.is_http and not os.path.isdir(text):
            raise CheckError("%s is neither a folder nor an http:// URL" % text)

    def fetch(self, file):
        if self.is_http:
            url = component_url(self.text, file)
            if len(url.encode("latin-1")) > URL_CAPACITY:
                raise CheckError("the URL of %s is longer than the installer's %d characters" % (file, URL_CAPACITY))
            return fetch_http(url)
        path = os.path.join(self.text, *[part for part in re.split(r"[\\/]", file) if part])
        try:
            with open(path, "rb") as handle:
                return handle.read()
        except OSError as error:
            raise CheckError("%s cannot be read: %s" % (file, error.strerror or error))


# -- the list ----------------------------------------------------------------------

def signature_line(data):
    """(signed length, signature bytes) of the list's last line, or None when
    it is no well-formed signature line, as the installer finds it."""
    end = len(data)
    if data[end - 1:end] == b"\n":
        end -= 1
    if data[end - 1:end] == b"\r":
        end -= 1
    start = data.rfind(b"\n", 0, end) + 1
    text = data[start:end]
    if len(text) != 2 + SIGNATURE_TEXT_LENGTH or not text.startswith(b"S,"):
        return None
    try:
        signature = base64.b64decode(text[2:], validate=True)
    except (binascii.Error, ValueError):
        return None
    # The installer also refuses padding bits that are not zero.
    if len(signature) != SIGNATURE_SIZE or base64.b64encode(signature) != text[2:]:
        return None
    return start, signature


def load_public_key(path):
    from cryptography.exceptions import UnsupportedAlgorithm
    from cryptography.hazmat.primitives import serialization
    from cryptography.hazmat.primitives.asymmetric import rsa
    try:
        with open(path, "rb") as handle:
            key = serialization.load_pem_public_key(handle.read())
    except (OSError, ValueError, UnsupportedAlgorithm) as error:
        raise CheckError("cannot read the public key %s: %s" % (path, error))
    if not isinstance(key, rsa.RSAPublicKey) or key.key_size != KEY_BITS:
        raise CheckError("%s is no %d-bit RSA public key, the only kind the installer takes" % (path, KEY_BITS))
    return key


def verifies(key, signature, data):
    from cryptography.exceptions import InvalidSignature
    from cryptography.hazmat.primitives import hashes
    from cryptography.hazmat.primitives.asymmetric import padding
    try:
        key.verify(signature, data, padding.PKCS1v15(), hashes.SHA256())
        return True
    except InvalidSignature:
        return False


def list_serial(lines, signed_length):
    """The first N record's serial among the signed lines: None without one,
    False when it is no plain number the installer reads."""
    offset = 0
    for taken, text in lines:
        if offset >= signed_length:
            break
        kind, fields = split_list_line(text)
        if kind == "N":
            if fields and re.fullmatch(r"[0-9]+", fields[0]) and int(fields[0]) <= SERIAL_MAX:
                return int(fields[0])
            return False
        offset += taken
    return None


class Check:
    def __init__(self, location, key):
        self.location = location
        self.key = key
        self.problems = []
        self.served = {}
        self.components = 0
        self.bytes = 0

    def problem(self, text):
        self.problems.append(text)

    def serve(self, file):
        """The bytes the location serves for file, or None (a problem said why)."""
        if file not in self.served:
            try:
                self.served[file] = self.location.fetch(file)
            except CheckError as error:
                self.served[file] = None
                self.problem("%s: %s" % (file, error))
        return self.served[file]

    def run(self, previous=None):
        try:
            data = self.location.fetch(LIST_NAME)
        except CheckError as error:
            self.problem("%s: %s; the installer installs nothing" % (LIST_NAME, error))
            return None
        text = data.decode("latin-1")
        lines = list_lines(text)
        found = signature_line(data)
        signed_length = len(data)
        if found is None:
            self.problem("%s: the last line is no signature line (S, and 344 characters of base64): the "
                         "installer installs nothing" % LIST_NAME)
        else:
            signed_length = found[0]
            if not verifies(self.key, found[1], data[:signed_length]):
                self.problem("%s: the signature does not match the list and this key (the list was changed after "
                             "signing, or signed with another key): the installer installs nothing" % LIST_NAME)
        serial = list_serial(lines, signed_length)
        self.check_serial(serial, data, previous)
        self.walk(text, lines, signed_length)
        return serial

    def check_serial(self, serial, data, previous):
        if serial is False:
            self.problem("%s: the N record holds no serial from 0 to %d: the installer installs nothing"
                         % (LIST_NAME, SERIAL_MAX))
        elif serial is None:
            self.problem("%s: no N record: an installer that accepted a list with a serial refuses it" % LIST_NAME)
        if previous is None or serial is None or serial is False:
            return
        old = list_serial(list_lines(previous.decode("latin-1")), len(previous)) or 0
        if serial < old or (serial == old and data != previous):
            self.problem("%s: serial %d %s the published list's %d: installers that accepted that list refuse "
                         "this one" % (LIST_NAME, serial, "is below" if serial < old else "is the same as", old))

    def walk(self, text, lines, signed_length):
        offset, line_number, digest, size_total, stated_total = 0, 1, None, 0, None
        for taken, line in lines:
            raw = text[offset:offset + taken]
            where = "line %d" % line_number
            if offset >= signed_length:
                break   # the signature line
            if "\0" in raw:
                self.problem("%s: a NUL byte: the installer reads the line only up to it" % where)
            if taken == LINE_CAPACITY and not raw.endswith("\n") and offset + taken < len(text):
                self.problem("%s: longer than %d bytes with its line end: the installer reads the rest as a "
                             "line of its own" % (where, LINE_CAPACITY))
            line_number += raw.count("\n")
            offset += taken
            kind, fields = split_list_line(line)
            if kind not in ("D", "I", "M"):
                digest = None
            if kind == "D":
                digest = (fields[0], parse_digest(fields[1])) if len(fields) >= 2 else None
            elif kind in ("I", "M"):
                size_total += self.component(where, kind, fields, digest)
                digest = None
            elif kind == "T":
                if fields:
                    stated_total = list_number(fields[0])
                else:
                    self.problem("%s: a T record without its total: the installation fails" % where)
            elif kind == "L":
                self.shortcut(where, fields)
            elif kind in ("R", "H"):
                refused = refused_path(fields[0], fields[1] if len(fields) > 1 else None) \
                    if kind == "R" and fields else None
                if not fields:
                    self.problem("%s: an %s record without its file: the installation fails" % (where, kind))
                elif refused:
                    self.problem("%s: R,%s: the installer refuses %s" % (where, fields[0], refused))
        if stated_total is not None and stated_total != size_total:
            self.problem("the T record says %d bytes, the size fields of the I and M records add up to %d"
                         % (stated_total, size_total))
        elif stated_total is None and self.components:
            self.problem("no T record: the installer shows no overall progress")

    def component(self, where, kind, fields, digest):
        """Checks an I or M record; returns its size field."""
        if len(fields) < 3:
            self.problem("%s: an %s record needs a file, a size and a version: the installation fails" % (where, kind))
            return 0
        file, size = fields[0], list_number(fields[1])
        self.components += 1
        record = "%s: %s,%s" % (where, kind, file)
        refused = refused_path(file, fields[3] if len(fields) > 3 else None)
        if refused:
            self.problem("%s: the installer refuses %s" % (record, refused))
        if digest is None or digest[0] != file:
            self.problem("%s: no D record of this file field directly before it: a key-built installer refuses "
                         "the component" % record)
        elif digest[1] is None:
            self.problem("%s: the D record's digest is no 64 hex digits: a key-built installer refuses the "
                         "component" % record)
        body = self.serve(file)
        if body is None:
            return size
        self.bytes += len(body)
        if digest is not None and digest[0] == file and digest[1] is not None \
                and hashlib.sha256(body).digest() != digest[1]:
            self.problem("%s: the location serves other bytes than its D record's digest: a key-built installer "
                         "throws them away" % record)
        if size != len(body):
            self.problem("%s: the size field says %d bytes, the location serves %d" % (record, size, len(body)))
        return size

    def shortcut(self, where, fields):
        if len(fields) < 4:
            self.problem("%s: an L record needs a file, a folder, a menu folder and a name: the installation "
                         "fails" % where)
            return
        program = shortcut_program(fields[0])
        for what, value in (("menu folder", fields[2]), ("name", fields[3])):
            if not is_safe_relative_path(value):
                self.problem("%s: L,%s: the installer refuses the %s field %r" % (where, fields[0], what, value))
        refused = refused_path(program, fields[1])
        if refused:
            self.problem("%s: L,%s: the installer refuses %s" % (where, fields[0], refused))


def main(argv=None):
    parser = argparse.ArgumentParser(description="Checks a distribution as the key-built installer reads it.")
    parser.add_argument("location", help="the distribution folder, or its http:// URL")
    parser.add_argument("--key", required=True, help="the vendor's public key (PEM) the installer was built with")
    parser.add_argument("--previous", metavar="OLD",
                        help="the list published before (a file): the new serial must be higher")
    args = parser.parse_args(argv)
    try:
        key = load_public_key(args.key)
        previous = None
        if args.previous is not None:
            with open(args.previous, "rb") as handle:
                previous = handle.read()
        check = Check(Location(args.location), key)
    except (CheckError, OSError) as error:
        print("check_distribution: %s" % error, file=sys.stderr)
        return 2
    serial = check.run(previous)
    for text in check.problems:
        print("problem: %s" % text)
    about = "%d components, %d bytes served" % (check.components, check.bytes)
    if serial is not None and serial is not False:
        about += ", serial %d" % serial
    if check.problems:
        print("%s: %s; %d problem%s: key-built installers would refuse or discard what is named above"
              % (args.location, about, len(check.problems), "" if len(check.problems) == 1 else "s"))
        return 1
    print("%s: %s, signed with the key: no problems" % (args.location, about))
    return 0


if __name__ == "__main__":
    sys.exit(main())
