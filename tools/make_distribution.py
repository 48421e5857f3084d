#!/usr/bin/env python3
"""Writes the component list "zorv3.lst" of a distribution folder, and signs it.

    make_distribution.py FOLDER TEMPLATE [-o OUTPUT] [--unversioned TEXT]
                         [--serial N] [--sign KEY] [--previous OLD]

FOLDER holds the components as the installer fetches them (the distribution
location is flat). TEMPLATE is the list as it should be, with placeholders the
tool fills in from the files:

    {size}     in an I or M record: the byte size of the record's file
    {version}  in an I or M record: the file version of the record's file from
               its version resource, "%u.%u.%u.%u"; a file without one gets the
               --unversioned text (default 0.0.0.0), and the installer then
               fetches it on every run
    {total}    anywhere, usually in the T record: the sum of the size fields of
               all I and M records

Lines starting with "##" are notes of the template and are left out; every
other line, comments and blank lines included, is written as it is apart from
the placeholders. The tool reads every other line as the installer does: the
fields are separated by ",", CR and LF, separators at the start of a line are
skipped and a run of them counts as one, and the record type is the first
character of the first field (so ",I,a.dll,..." is an I record and "Hx" an H
record). A line holding a NUL byte or a CR other than its line end's is
refused: the installer would end the line's text at the NUL, and take the CR
for a field separator where an editor shows a line end.

The tool adds these records (a template must not hold them; installers
without a vendor key act only on H, I, L, M, R and T and skip them):

    D,<file>,<sha256>  directly before every I and M record: the SHA-256 of the
               record's file in FOLDER as 64 lower-case hex digits; <file> is
               the record's file field. Every record's file must be in FOLDER.
    N,<serial> with --serial: the first line. The serial must grow with every
               list the vendor publishes; an installer with the vendor's key
               refuses a list older than the one it installed last.
    S,<base64> with --sign: the last line. The RSA PKCS#1 v1.5 signature
               (SHA-256) with the vendor's 2048-bit key over every byte of the
               file before the "S", in base64 (344 characters).

The list is written with CR LF line ends into FOLDER/zorv3.lst unless -o
names another file. Every line with its CR LF must fit in 511 bytes (the
installer reads lines of at most 511 bytes). Files of the folder that no
record names are reported as warnings.

Installers compare versions as text ("1.10.0.0" is older than "1.9.0.0"). The
tool warns when an I or M record's version orders differently as text than as
numbers against the version the previous list gives the same file: the list
named by --previous, or else the list the tool writes over. A warning changes
neither the list nor the exit code.

Exit code 0 on success, 1 on an error in the template, the folder or the key
(the message names the template line; nothing is written), 2 on bad usage.
Python 3 standard library, and for --sign the "cryptography" package
(Debian: python3-cryptography).
"""

import argparse
import base64
import collections
import hashlib
import os
import re
import struct
import sys

LIST_NAME = "zorv3.lst"
ENCODING = "cp1252"           # the installer reads the list as ANSI text
LINE_END = "\r\n"
LINE_CAPACITY = 511           # bytes of a line with its end; longer lines are split by the installer's reader
LINE_TEXT_CAPACITY = LINE_CAPACITY - len(LINE_END)
KEY_BITS = 2048               # the only key size the installer takes
SERIAL_MAX = 2 ** 32 - 1         # the installer reads the serial as an unsigned 32-bit number
# Records the tool writes itself; the installer would act on them in a template.
TOOL_RECORDS = {"D": "a digest record", "N": "the serial record (--serial)", "S": "the signature record (--sign)"}
INT32_MAX = 2 ** 31 - 1
RT_VERSION = 16
FIXED_INFO_SIGNATURE = 0xFEEF04BD
PLACEHOLDER = re.compile(r"\{([A-Za-z_]*)\}")
KNOWN_PLACEHOLDERS = ("size", "version", "total")
VERSION_TEXT = re.compile(r"^\d+\.\d+\.\d+\.\d+$")


class DistributionError(Exception):
    pass


# -- version resources ------------------------------------------------------------

class _Image:
    """Bounds-checked reads of a PE file's bytes; any read outside them is None."""

    def __init__(self, data):
        self.data = data

    def u16(self, offset):
        if offset < 0 or offset + 2 > len(self.data):
            return None
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        if offset < 0 or offset + 4 > len(self.data):
            return None
        return struct.unpack_from("<I", self.data, offset)[0]


def _sections(image, pe):
    count = image.u16(pe + 6)
    optional_size = image.u16(pe + 20)
    if count is None or optional_size is None:
        return None, None
    optional = pe + 24
    magic = image.u16(optional)
    if magic == 0x10B:
        directories = optional + 96
        directory_count = image.u32(optional + 92)
    elif magic == 0x20B:
        directories = optional + 112
        directory_count = image.u32(optional + 108)
    else:
        return None, None
    if directory_count is None or directory_count <= 2:
        return None, None
    resource_rva = image.u32(directories + 2 * 8)
    if not resource_rva:
        return None, None
    table = optional + optional_size
    sections = []
    for index in range(count):
        entry = table + index * 40
        virtual_size = image.u32(entry + 8)
        virtual_address = image.u32(entry + 12)
        raw_size = image.u32(entry + 16)
        raw_pointer = image.u32(entry + 20)
        if None in (virtual_size, virtual_address, raw_size, raw_pointer):
            return None, None
        sections.append((virtual_address, virtual_size, raw_size, raw_pointer))
    return resource_rva, sections


def _file_offset(sections, rva, length):
    """The file offset of length bytes at rva, when they lie in one section's raw data."""
    for virtual_address, virtual_size, raw_size, raw_pointer in sections:
        span = max(virtual_size, raw_size)
        if virtual_address <= rva and rva + length <= virtual_address + span:
            if rva + length - virtual_address > raw_size:
                return None
            return raw_pointer + rva - virtual_address
    return None


def _directory_entries(image, directory):
    named = image.u16(directory + 12)
    numbered = image.u16(directory + 14)
    if named is None or numbered is None:
        return []
    entries = []
    for index in range(named + numbered):
        name = image.u32(directory + 16 + index * 8)
        target = image.u32(directory + 20 + index * 8)
        if name is None or target is None:
            return []
        entries.append((name, target))
    return entries


def read_file_version(data):
    """The file version of a PE file's version resource as "%u.%u.%u.%u", or
    None when the bytes are no PE file or carry no readable version resource."""
    image = _Image(bytes(data))
    if image.data[:2] != b"MZ":
        return None
    pe = image.u32(0x3C)
    if pe is None or image.data[pe:pe + 4] != b"PE\0\0":
        return None
    resource_rva, sections = _sections(image, pe)
    if resource_rva is None:
        return None
    root = _file_offset(sections, resource_rva, 16)
    if root is None:
        return None

    # Type, name, language: the version resource's first name and first language.
    directory = root
    for level in range(3):
        entries = _directory_entries(image, directory)
        if level == 0:
            entries = [entry for entry in entries if entry[0] == RT_VERSION]
        if not entries:
            return None
        target = entries[0][1]
        is_directory = bool(target & 0x80000000)
        if is_directory != (level < 2):
            return None
        directory = root + (target & 0x7FFFFFFF)
    data_rva = image.u32(directory)
    data_size = image.u32(directory + 4)
    if data_rva is None or data_size is None or data_size < 92:
        return None
    block = _file_offset(sections, data_rva, data_size)
    if block is None:
        return None

    # VS_VERSIONINFO: lengths, type, the key "VS_VERSION_INFO", then the fixed
    # block aligned to 32 bits.
    value_length = image.u16(block + 2)
    key = image.data[block + 6:block + 6 + 32]
    if value_length is None or value_length < 52 or key != "VS_VERSION_INFO\0".encode("utf-16-le"):
        return None
    fixed = block + 40
    if image.u32(fixed) != FIXED_INFO_SIGNATURE:
        return None
    most = image.u32(fixed + 8)
    least = image.u32(fixed + 12)
    if most is None or least is None:
        return None
    return "%u.%u.%u.%u" % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)


def file_version(path):
    with open(path, "rb") as handle:
        # Text files and other data, however large, are not read whole.
        if handle.read(2) != b"MZ":
            return None
        handle.seek(0)
        return read_file_version(handle.read())


# -- a line as the installer reads it ------------------------------------------------

FIELD_SEPARATORS = re.compile("[,\r\n]")
RECORD_MAX_FIELDS = 8         # fields the installer keeps behind the type field


def list_lines(text):
    """The lines of list text as the installer reads them one after the other:
    pairs of the characters taken (up to LINE_CAPACITY, or through the first
    LF, whichever comes first) and the line's text, which a NUL ends."""
    result = []
    offset = 0
    while offset < len(text):
        end = text.find("\n", offset, offset + LINE_CAPACITY)
        end = end + 1 if end >= 0 else min(len(text), offset + LINE_CAPACITY)
        result.append((end - offset, text[offset:end].split("\0", 1)[0]))
        offset = end
    return result


def record_fields(line):
    """Every field of a line, the type field first, as the installer splits
    them: at ",", CR and LF, with empty fields dropped (nothing behind a NUL)."""
    return [field for field in FIELD_SEPARATORS.split(line.split("\0", 1)[0]) if field]


def split_list_line(line):
    """The record type (the first character of the first field; "" for a line
    without fields) and the fields behind it that the installer keeps."""
    fields = record_fields(line)
    if not fields:
        return "", []
    return fields[0][0], fields[1:1 + RECORD_MAX_FIELDS]


# -- the list -----------------------------------------------------------------------


def _component_path(folder, name, line_number):
    path = os.path.join(folder, *name.replace("\\", "/").split("/"))
    if not os.path.isfile(path):
        raise DistributionError("line %d: the component %s is not in %s" % (line_number, name, folder))
    return path


def _fill_record(line, line_number, folder, unversioned):
    """Fills {size} and {version} of an I or M record; returns the line, the
    fields behind its type, its size field and the file's path in the folder."""
    used = set(PLACEHOLDER.findall(line)) & {"size", "version"}
    kind, fields = split_list_line(line)
    if len(fields) < 3:
        raise DistributionError("line %d: an %s record needs a file, a size and a version" % (line_number, kind))
    name = fields[0]
    if PLACEHOLDER.search(name):
        raise DistributionError("line %d: the file field holds a placeholder" % line_number)
    path = _component_path(folder, name, line_number)
    if used:
        size = os.path.getsize(path)
        if size > INT32_MAX:
            raise DistributionError("line %d: %s is larger than a list can say" % (line_number, name))
        version = file_version(path) or unversioned
        line = line.replace("{size}", str(size)).replace("{version}", version)
        fields = split_list_line(line)[1]
    size_field, version_field = fields[1], fields[2]
    if not re.fullmatch(r"\d+", size_field):
        raise DistributionError("line %d: the size field %r is not a byte count" % (line_number, size_field))
    if not VERSION_TEXT.match(version_field):
        raise DistributionError("line %d: the version field %r is not of the form a.b.c.d" % (line_number, version_field))
    return line, fields, int(size_field), path


def file_digest(path):
    """The SHA-256 of the file's bytes as 64 lower-case hex digits."""
    digest = hashlib.sha256()
    with open(path, "rb") as handle:
        for chunk in iter(lambda: handle.read(1 << 20), b""):
            digest.update(chunk)
    return digest.hexdigest()


def digest_record(name, hex_digest):
    """The D record that goes directly before the I or M record whose file field is name."""
    return "D,%s,%s" % (name, hex_digest)


# An I or M record's file: its template line, and what its version is compared
# with on a machine (installed_file).
Component = collections.namedtuple("Component", "name size version line_number target")


def installed_file(kind, fields):
    """The file whose version an I or M record is checked against: the file in
    its folder, or for M the system file of the file field's last name."""
    if kind == "M":
        return "M", fields[0].rsplit("\\", 1)[-1].lower()
    return "I", "\\".join(fields[3:4] + fields[:1]).replace("/", "\\").lower()


def fill_template(template_text, folder, unversioned="0.0.0.0"):
    """Returns the list's lines (without line ends, the D records in place),
    the components named by I and M records, and the total."""
    lines = []
    components = []
    total = 0
    for line_number, line in enumerate(template_text.split("\n"), start=1):
        line = line[:-1] if line.endswith("\r") else line
        if line.startswith("##"):
            continue
        if "\0" in line:
            raise DistributionError("line %d: a NUL byte, where the installer would end the line" % line_number)
        if "\r" in line:
            raise DistributionError("line %d: a CR inside the line, which the installer takes for a field "
                                    "separator, not for a line end" % line_number)
        for name in PLACEHOLDER.findall(line):
            if name not in KNOWN_PLACEHOLDERS:
                raise DistributionError("line %d: unknown placeholder {%s}" % (line_number, name))
        kind = split_list_line(line)[0]
        if kind in TOOL_RECORDS:
            raise DistributionError("line %d: %s is written by the tool, not by the template"
                                    % (line_number, TOOL_RECORDS[kind]))
        if kind in ("I", "M"):
            line, fields, size, path = _fill_record(line, line_number, folder, unversioned)
            name = fields[0]
            digest_line = digest_record(name, file_digest(path))
            if len(digest_line) > LINE_TEXT_CAPACITY:
                raise DistributionError("line %d: the digest record of %s would be longer than %d bytes "
                                        "with its line end" % (line_number, name, LINE_CAPACITY))
            lines.append((line_number, digest_line))
            components.append(Component(name, size, fields[2], line_number, installed_file(kind, fields)))
            total += size
        elif "{size}" in line or "{version}" in line:
            raise DistributionError("line %d: {size} and {version} belong in I and M records" % line_number)
        lines.append((line_number, line))
    if total > INT32_MAX:
        raise DistributionError("the total of %d bytes is larger than a list can say" % total)
    # The last line end of the template ends its last line, it opens no new one.
    if lines and lines[-1][1] == "" and template_text.endswith("\n"):
        lines.pop()
    result = []
    for line_number, line in lines:
        line = line.replace("{total}", str(total))
        if len(line) > LINE_TEXT_CAPACITY:
            raise DistributionError("line %d: longer than %d bytes with its line end" % (line_number, LINE_CAPACITY))
        result.append(line)
    return result, components, total


# -- the signature --------------------------------------------------------------------

def load_signing_key(path):
    """The vendor's private RSA key of KEY_BITS bits from a PEM file."""
    try:
        from cryptography.exceptions import UnsupportedAlgorithm
        from cryptography.hazmat.primitives import serialization
        from cryptography.hazmat.primitives.asymmetric import rsa
    except ImportError:
        raise DistributionError("--sign needs the Python package cryptography (Debian: python3-cryptography)")
    try:
        with open(path, "rb") as handle:
            data = handle.read()
    except OSError as error:
        raise DistributionError("cannot read the key: %s" % error)
    try:
        key = serialization.load_pem_private_key(data, password=None)
    except (ValueError, TypeError, UnsupportedAlgorithm) as error:
        raise DistributionError("%s is no unencrypted PEM private key: %s" % (path, error))
    if not isinstance(key, rsa.RSAPrivateKey):
        raise DistributionError("%s is no RSA key; the installer takes %d-bit RSA keys only" % (path, KEY_BITS))
    if key.key_size != KEY_BITS:
        raise DistributionError("%s is a %d-bit RSA key; the installer takes %d-bit RSA keys only"
                                % (path, key.key_size, KEY_BITS))
    return key


def signature_record(data, key):
    """The S line, line end included, that signs data: every byte before it."""
    from cryptography.hazmat.primitives import hashes
    from cryptography.hazmat.primitives.asymmetric import padding
    signature = key.sign(data, padding.PKCS1v15(), hashes.SHA256())
    return ("S," + base64.b64encode(signature).decode("ascii") + LINE_END).encode("ascii")


def list_bytes(lines, serial=None, key=None):
    """The list's bytes: the N record first when there is a serial, the lines,
    and the S record last when there is a key."""
    if serial is not None:
        lines = ["N,%d" % serial] + list(lines)
    data = "".join(line + LINE_END for line in lines)
    try:
        encoded = data.encode(ENCODING)
    except UnicodeEncodeError as error:
        raise DistributionError("the list holds a character that %s cannot encode: %s" % (ENCODING, error))
    if key is not None:
        encoded += signature_record(encoded, key)
    return encoded


def unlisted_files(folder, components, skipped):
    named = {component.name.replace("\\", "/").lower() for component in components}
    found = []
    for directory, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(directory, name)
            relative = os.path.relpath(path, folder).replace(os.sep, "/")
            if relative.lower() not in named and os.path.abspath(path) not in skipped:
                found.append(relative)
    return sorted(found)


def previous_versions(path):
    """The version each I and M record of an earlier list gives its file (by
    installed_file), read as the installer reads the list."""
    try:
        with open(path, "rb") as handle:
            text = handle.read().decode(ENCODING, errors="replace")
    except OSError as error:
        raise DistributionError("cannot read the previous list: %s" % error)
    versions = {}
    for _, line in list_lines(text):
        kind, fields = split_list_line(line)
        if kind in ("I", "M") and len(fields) >= 3 and VERSION_TEXT.match(fields[2]):
            versions[installed_file(kind, fields)] = fields[2]
    return versions


def _order(a, b):
    return (a > b) - (a < b)


ORDER_WORDS = {1: "newer", 0: "the same", -1: "older"}


def version_order_warnings(components, previous):
    """Components whose version orders differently as text, as installers
    compare it, than as numbers against the previous list's version."""
    warnings = []
    for component in components:
        old = previous.get(component.target)
        if old is None:
            continue
        as_text = _order(component.version, old)
        as_numbers = _order([int(part) for part in component.version.split(".")],
                            [int(part) for part in old.split(".")])
        if as_text != as_numbers:
            warnings.append("line %d: %s goes from %s to %s, %s as numbers but %s as text; installers compare "
                            "the texts and %s" % (component.line_number, component.name, old, component.version,
                                                  ORDER_WORDS[as_numbers], ORDER_WORDS[as_text],
                                                  "install it" if as_text > 0 else "keep %s" % old))
    return warnings


def write_list(path, data):
    # Written beside the target and moved over it, so a failed run leaves no half list.
    temporary = path + ".tmp"
    with open(temporary, "wb") as handle:
        handle.write(data)
    os.replace(temporary, path)


def parse_serial(text):
    if not re.fullmatch(r"[0-9]+", text) or int(text) > SERIAL_MAX:
        raise DistributionError("--serial %r is not a number from 0 to %d" % (text, SERIAL_MAX))
    return int(text)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Writes the component list zorv3.lst of a distribution folder.")
    parser.add_argument("folder", help="the distribution folder with the components")
    parser.add_argument("template", help="the list template")
    parser.add_argument("-o", "--output", help="the list to write (default: FOLDER/zorv3.lst)")
    parser.add_argument("--unversioned", default="0.0.0.0",
                        help="version text for files without a version resource (default: 0.0.0.0)")
    parser.add_argument("--serial", metavar="N",
                        help="write the serial record N,<N> first; a number that grows with every published list")
    parser.add_argument("--sign", metavar="KEY",
                        help="sign the list with this PEM private key (RSA, %d bits)" % KEY_BITS)
    parser.add_argument("--previous", metavar="OLD",
                        help="the list published before, whose versions the new ones are checked against "
                             "(default: the list being written over, if any)")
    args = parser.parse_args(argv)
    output = args.output or os.path.join(args.folder, LIST_NAME)
    try:
        if not os.path.isdir(args.folder):
            raise DistributionError("%s is not a folder" % args.folder)
        if not VERSION_TEXT.match(args.unversioned):
            raise DistributionError("--unversioned %r is not of the form a.b.c.d" % args.unversioned)
        serial = parse_serial(args.serial) if args.serial is not None else None
        key = load_signing_key(args.sign) if args.sign is not None else None
        try:
            with open(args.template, "rb") as handle:
                template_text = handle.read().decode(ENCODING)
        except (OSError, UnicodeDecodeError) as error:
            raise DistributionError("cannot read the template: %s" % error)
        lines, components, total = fill_template(template_text, args.folder, args.unversioned)
        previous_path = args.previous or (output if os.path.isfile(output) else None)
        previous = previous_versions(previous_path) if previous_path is not None else {}
        write_list(output, list_bytes(lines, serial, key))
    except (DistributionError, OSError) as error:
        print("make_distribution: %s" % error, file=sys.stderr)
        return 1

    skipped = {os.path.abspath(output), os.path.abspath(args.template)}
    if args.sign is not None:
        skipped.add(os.path.abspath(args.sign))
    for name in unlisted_files(args.folder, components, skipped):
        print("make_distribution: warning: %s is in the folder but in no record" % name, file=sys.stderr)
    for warning in version_order_warnings(components, previous):
        print("make_distribution: warning: %s" % warning, file=sys.stderr)
    for component in components:
        print("%-24s %10d  %s" % (component.name, component.size, component.version))
    print("%s: %d components, %d bytes%s%s" % (output, len(components), total,
                                               ", serial %d" % serial if serial is not None else "",
                                               ", signed" if key is not None else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
