"""Signed distributions: the key-built installer walks only lists signed with
the vendor's key and not older than the kept one, discards components that
differ from their digests and fetches again files in place that differ; the
key-less installer honours digest records where a list carries them."""

import base64
import hashlib
import os
import shutil
import subprocess
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.case import FAILURE, FINISH, SUCCESS, InstallTestCase, fixture  # noqa: E402
from zorvtest.distribution import digest_tree, write_distribution  # noqa: E402
from zorvtest.distribution_server import DistributionServer  # noqa: E402
from zorvtest.probe import hash_outcomes, list_outcomes  # noqa: E402
from zorvtest.real_input import RealInput  # noqa: E402
from zorvtest.sample import DISTRIBUTION, copy_distribution  # noqa: E402
from zorvtest.session import SIGNED_INSTALLER  # noqa: E402
from zorvtest.signing import (PRIVATE_KEY, make_distribution, signature_start, signed_list, vendor_key,  # noqa: E402
                              with_digests)

NOT_SIGNED = "The component list is not signed by the vendor."
MISMATCH = "%s does not match the component list."
OLDER = "The component list is older than the installed one."

PROGRAMS = r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs"
TEST_KEY = r"HKCU\Software\ZorvTest"
SAMPLE_KEY = r"HKCU\Software\Brenix\ZORV3 Sample"
REGISTRATION_BOX = "Fixture Registration"
# The authority of the build's code-signing certificate, when it has one.
CODE_SIGNING_CA = os.environ.get("ZORV_CODE_SIGNING_CA", "")
OSSLSIGNCODE = os.environ.get("ZORV_OSSLSIGNCODE") or "osslsigncode"


def read(path):
    with open(path, "rb") as handle:
        return handle.read()


class SignedCase(InstallTestCase):
    """Runs that end on the finish page, and runs whose walk a check stops."""

    def completed(self, args):
        """An installation that walks to its end; returns the finish page's text."""
        installer, text = self.install(args)
        self.finish(installer)
        return text

    def stopped(self, args, status):
        """An installation whose walk a check stops: the progress dialog shows
        status and stays until Cancel, which closes it at once."""
        installer = self.walk_to_ready(args)
        self.session.press("next")
        self.assertEqual(self.session.driver("wait-text", 1006, status, 60, timeout=60), status)
        self.assertEqual(self.cancel_stopped_installation(), FAILURE)
        self.finish(installer)

    def mismatch_seen_during_download(self, server, held_path, args, name):
        """An installation over HTTP in which the component name is discarded
        and a later download is held by the server until the test has read the
        status line, which goes on naming the component. Returns the finish
        page's text."""
        release = threading.Event()
        with open(os.path.join(server.root, held_path.lstrip("/")), "rb") as handle:
            body = handle.read()

        def held(connection, stopping):
            while not release.wait(0.1) and not stopping.is_set():
                pass
            connection.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n" % len(body) + body)

        server.answers[held_path] = held
        try:
            installer = self.walk_to_ready(args)
            self.session.press("next")
            self.assertEqual(self.session.driver("wait-text", 1006, MISMATCH % name, 90, timeout=90), MISMATCH % name)
            # The held download has begun and its statuses leave the line as it is.
            deadline = time.time() + 30
            while not any(held_path.encode() in request for request in server.requests) and time.time() < deadline:
                time.sleep(0.1)
            self.assertTrue(any(held_path.encode() in request for request in server.requests), "the walk went on")
            self.assertEqual(self.session.text(1006), MISMATCH % name)
        finally:
            release.set()
        self.session.wait_page(FINISH, timeout=90)
        text = self.session.text(1006)
        self.finish(installer)
        return text

    def mismatch_seen(self, args, name):
        """An installation in which the component name is discarded before a
        registration that asks something: its box holds the walk while the
        status still names the component. Returns the finish page's text."""
        installer = self.walk_to_ready(args)
        self.session.press("next")
        self.session.driver("wait-title", REGISTRATION_BOX, 90, timeout=90)
        status = self.session.driver("wait-text", 1006, MISMATCH % name, 5, timeout=5, check=False)
        self.session.driver("answer-title", REGISTRATION_BOX, 1)
        self.assertEqual(status, MISMATCH % name)
        self.session.wait_page(FINISH, timeout=90)
        text = self.session.text(1006)
        self.finish(installer)
        return text


@unittest.skipUnless(PRIVATE_KEY, "the build has no vendor key pair (ZORV_VENDOR_PRIVATE_KEY; scripts/build.sh makes one)")
class SignedListTest(RealInput, SignedCase):
    """The key-built installer."""

    EXECUTABLE = SIGNED_INSTALLER

    def setUp(self):
        shutil.rmtree(self.installed(), ignore_errors=True)
        self.session.reg_delete(TEST_KEY)

    def publish(self, folder, files, lines, serial):
        """A distribution folder with the vendor's signed list; returns the list's bytes."""
        data = signed_list(lines, files, serial)
        write_distribution(folder, files, list_bytes=data)
        return data

    def assert_same_files(self, pairs):
        for installed, expected in pairs:
            self.assertEqual(read(installed), expected, installed)

    def assert_nothing_installed(self):
        """Nothing but the client folder's own files (the list, a download's
        leftovers) was written: no component, shortcut or registration."""
        written = sorted(digest_tree(self.installed())) if os.path.isdir(self.installed()) else []
        outside = [path for path in written if not path.startswith("client" + os.sep)]
        self.assertEqual(outside, [], "written outside the client folder")
        components = [path for path in written if path not in ("client" + os.sep + "zorv3.lst",)]
        self.assertEqual(components, [], "components in the client folder")
        self.assertFalse(os.path.exists(self.session.drive_c("windows", "system32", "zorvsys.dll")))
        self.assertFalse(os.path.exists(self.session.unix_path(PROGRAMS + "\\ZORV Client V3")), "no shortcut")
        self.assertIsNone(self.session.reg_query(SAMPLE_KEY, "RegServer"), "no registration")
        classes = self.session.wine(["reg", "query", r"HKCR\Zorv.Client.Conf"], check=False)
        self.assertNotEqual(classes.returncode, 0, "no registration")

    def test_1_lists_changed_after_signing_or_unsigned_are_not_walked(self):
        # The signed sample distribution carries every record type: files,
        # a system file, registrations, a held object and shortcuts.
        folder = copy_distribution(self.session, "sample")
        signed = read(os.path.join(DISTRIBUTION, "zorv3.lst"))
        start = signature_start(signed)
        self.assertTrue(signed.startswith(b"N,1\r\n"))
        record = signed.index(b"\r\nI,zorvcore.dll,") + 2
        signature_byte = start + 2 + 100
        other_key = make_distribution.load_signing_key(self.other_key())
        unsigned_lines = [line for line in signed.split(b"\r\n")[:-1] if line[:1] not in (b"D", b"N", b"S")]
        variants = {
            # The same file to Windows, another byte to the signature.
            "a record byte": signed[:record] + b"Z" + signed[record + 1:],
            "the serial": b"N,2" + signed[3:],
            "a byte of the signature": signed[:signature_byte]
            + (b"B" if signed[signature_byte:signature_byte + 1] != b"B" else b"C") + signed[signature_byte + 1:],
            "the signature line removed": signed[:start],
            "a line after the signature": signed + b"I,extra.txt,5,1.0.0.0\r\n",
            "a signature of another key": signed[:start] + make_distribution.signature_record(signed[:start],
                                                                                              other_key),
            "an unsigned list": b"".join(line + b"\r\n" for line in unsigned_lines),
        }
        # Each variant through the installer's own check of a downloaded list,
        # and the list as signed beside them, which the check accepts.
        checked = os.path.join(self.session.root, "checked")
        shutil.rmtree(checked, ignore_errors=True)
        os.makedirs(checked)
        names = ["signed"] + list(variants)
        for number, name in enumerate(names):
            self.assertNotEqual(variants.get(name), signed)
            with open(os.path.join(checked, "%d.lst" % number), "wb") as handle:
                handle.write(variants.get(name, signed))
        outcomes = list_outcomes(self.session, ["Z:" + os.path.join(checked, "%d.lst" % number).replace("/", "\\")
                                                for number in range(len(names))])
        self.assertEqual(dict(zip(names, outcomes)), dict((name, "accepted" if name == "signed" else "not-signed")
                                                          for name in names))

        # In the wizard, from a folder and over HTTP as a changed mirror would
        # serve it: the status says so and nothing is installed.
        with open(os.path.join(folder, "extra.txt"), "wb") as handle:
            handle.write(b"extra")
        with open(os.path.join(folder, "zorv3.lst"), "wb") as handle:
            handle.write(variants["a line after the signature"])
        shutil.rmtree(self.installed(), ignore_errors=True)
        self.stopped(["/url", "file:C:\\sample"], NOT_SIGNED)
        self.assert_nothing_installed()
        self.assertFalse(os.path.exists(self.installed("extra.txt")))
        web = os.path.join(self.session.root, "web")
        shutil.rmtree(web, ignore_errors=True)
        shutil.copytree(folder, os.path.join(web, "dist"))
        with open(os.path.join(web, "dist", "zorv3.lst"), "wb") as handle:
            handle.write(variants["a record byte"])
        shutil.rmtree(self.installed(), ignore_errors=True)
        with DistributionServer(web) as server:
            self.stopped(["/url", server.url("/dist")], NOT_SIGNED)
        self.assert_nothing_installed()

    def other_key(self):
        from cryptography.hazmat.primitives import serialization
        from cryptography.hazmat.primitives.asymmetric import rsa
        path = os.path.join(self.session.root, "other_private.pem")
        key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
        with open(path, "wb") as handle:
            handle.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                           serialization.NoEncryption()))
        return path

    def test_2_signed_distributions_install_over_http_and_from_a_folder(self):
        # The program under test is the code-signed one a vendor publishes.
        if CODE_SIGNING_CA:
            verified = subprocess.run([OSSLSIGNCODE, "verify", "-CAfile", CODE_SIGNING_CA, "-in", SIGNED_INSTALLER],
                                      capture_output=True, text=True, timeout=60)
            self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
        # The sample distribution as the build signed it (serial 1), over HTTP.
        web = os.path.join(self.session.root, "web")
        shutil.rmtree(web, ignore_errors=True)
        shutil.copytree(DISTRIBUTION, os.path.join(web, "dist"))
        with DistributionServer(web) as server:
            self.assertEqual(self.completed(["/url", server.url("/dist")]), SUCCESS)
        sample = lambda name: read(os.path.join(DISTRIBUTION, name))  # noqa: E731
        self.assert_same_files([(self.installed("client", name), sample(name))
                                for name in ("zorvclient.dll", "zorvc.exe", "zorvcore.dll")]
                               + [(self.installed(name), sample(name)) for name in ("zorvui.dll", "readme.txt")]
                               + [(self.session.drive_c("windows", "system32", "zorvsys.dll"), sample("zorvsys.dll"))])
        self.assertTrue(os.path.isfile(self.session.unix_path(PROGRAMS + "\\ZORV Client V3\\ZORV Client V3.lnk")))

        # A distribution of the vendor's own in a file: folder, with a newer serial.
        files = {"one.dll": fixture("ver_1_2_3_4.dll"), "two.txt": b"second component\r\n"}
        self.publish(self.session.drive_c("signed"), files,
                     ["T,%d" % sum(map(len, files.values())), "I,one.dll,%d,1.2.3.4,client" % len(files["one.dll"]),
                      "I,two.txt,%d,1.0.0.0" % len(files["two.txt"])], serial=2)
        self.assertEqual(self.completed(["/url", "file:C:\\signed"]), SUCCESS)
        self.assert_same_files([(self.installed("client", "one.dll"), files["one.dll"]),
                                (self.installed("two.txt"), files["two.txt"])])

    def test_3_a_component_changed_on_the_server_is_discarded_and_the_walk_goes_on(self):
        root = os.path.join(self.session.root, "web")
        folder = os.path.join(root, "dist")
        first = {"data.txt": b"first copy of the data\r\n"}
        self.publish(folder, first, ["I,data.txt,%d,1.0.0.0,client" % len(first["data.txt"])], serial=10)
        with DistributionServer(root) as server:
            self.assertEqual(self.completed(["/url", server.url("/dist")]), SUCCESS)
            self.assertEqual(read(self.installed("client", "data.txt")), first["data.txt"])

            # The next list is signed, then somebody replaces the data on the server.
            second = {"data.txt": b"second copy of the data\r\n", "last.txt": b"the last component\r\n"}
            self.publish(folder, second, [
                "I,data.txt,%d,1.0.0.0,client" % len(second["data.txt"]),
                "I,last.txt,%d,1.0.0.0" % len(second["last.txt"])], serial=11)
            with open(os.path.join(folder, "data.txt"), "wb") as handle:
                handle.write(b"planted copy of the data\r\n")
            self.assertEqual(self.mismatch_seen_during_download(server, "/dist/last.txt", ["/url", server.url("/dist")],
                                                                "data.txt"), FAILURE)
            self.assertIn(b"GET /dist/data.txt ", b"".join(server.requests))
        self.assertEqual(read(self.installed("client", "data.txt")), first["data.txt"], "the installed copy stays")
        self.assertEqual(read(self.installed("last.txt")), second["last.txt"], "the walk went on")
        self.assertEqual([path for path in digest_tree(self.installed()) if path.endswith(".download")], [])

    def test_4_a_planted_file_of_the_same_version_and_size_is_fetched_again(self):
        files = {"one.dll": fixture("ver_1_2_3_4.dll")}
        lines = ["I,one.dll,%d,1.2.3.4,client" % len(files["one.dll"])]
        self.publish(self.session.drive_c("planted"), files, lines, serial=20)
        self.assertEqual(self.completed(["/url", "file:C:\\planted"]), SUCCESS)
        installed = self.installed("client", "one.dll")
        self.assertEqual(read(installed), files["one.dll"])

        # One byte of the DOS stub's message changed: the same size and version.
        planted = bytearray(files["one.dll"])
        at = planted.index(b"This program")
        planted[at] = ord("t")
        with open(installed, "wb") as handle:
            handle.write(planted)
        self.assertEqual(make_distribution.read_file_version(bytes(planted)), "1.2.3.4")
        self.assertEqual(len(planted), len(files["one.dll"]))
        before = os.stat(installed).st_ino

        self.assertEqual(self.completed(["/url", "file:C:\\planted"]), SUCCESS)
        self.assertEqual(read(installed), files["one.dll"], "fetched again from the distribution")
        self.assertNotEqual(os.stat(installed).st_ino, before)

        # Now current in content too: the next run leaves it in place.
        before = os.stat(installed).st_ino
        self.assertEqual(self.completed(["/url", "file:C:\\planted"]), SUCCESS)
        self.assertEqual(os.stat(installed).st_ino, before)

        # The published bytes under a second name that someone else keeps
        # (a hard link to his own copy): the installer makes a file of its own.
        elsewhere = self.session.drive_c("mine.dll")
        with open(elsewhere, "wb") as handle:
            handle.write(files["one.dll"])
        os.remove(installed)
        os.link(elsewhere, installed)
        self.assertEqual(self.completed(["/url", "file:C:\\planted"]), SUCCESS)
        self.assertEqual((read(installed), os.stat(installed).st_nlink), (files["one.dll"], 1))
        self.assertNotEqual(os.stat(installed).st_ino, os.stat(elsewhere).st_ino)

    def test_5_an_older_list_is_not_walked(self):
        newer = {"one.dll": fixture("ver_2_0_0_0.dll"), "notes.txt": b"notes of 2.0\r\n"}
        older = {"one.dll": fixture("ver_1_9_0_0.dll"), "notes.txt": b"notes of 1.9\r\n"}
        records = lambda files, version: [  # noqa: E731
            "I,one.dll,%d,%s,client" % (len(files["one.dll"]), version),
            "I,notes.txt,%d,1.0.0.0" % len(files["notes.txt"]), "L,notes.txt,.,ZORV Older Test,Notes"]
        self.publish(self.session.drive_c("newer"), newer, records(newer, "2.0.0.0"), serial=31)
        self.publish(self.session.drive_c("older"), older, records(older, "1.9.0.0"), serial=30)
        self.assertEqual(self.completed(["/url", "file:C:\\newer"]), SUCCESS)
        kept = read(self.installed("client", "zorv3.lst"))
        before = digest_tree(self.installed())

        # Replayed twice: the kept list stays the newer one, so the second
        # replay is refused as the first.
        for attempt in (1, 2):
            with self.subTest(attempt=attempt):
                self.stopped(["/url", "file:C:\\older"], OLDER)
                self.assertEqual(digest_tree(self.installed()), before, "nothing changed")
                self.assertEqual(read(self.installed("client", "zorv3.lst")), kept)
        self.assertEqual(read(self.installed("notes.txt")), newer["notes.txt"])

        # Anyone may empty the client folder; the highest serial accepted is
        # kept where only administrators write, and still counts.
        os.remove(self.installed("client", "zorv3.lst"))
        self.stopped(["/url", "file:C:\\older"], OLDER)
        self.assertEqual(read(self.installed("notes.txt")), newer["notes.txt"])

    def test_6_a_system_without_the_providers_checks_installs_nothing(self):
        files = {"notes.txt": b"notes\r\n"}
        self.publish(self.session.drive_c("noprovider"), files,
                     ["I,notes.txt,%d,1.0.0.0" % len(files["notes.txt"])], serial=40)
        shutil.rmtree(self.installed(), ignore_errors=True)
        # Without Wine's provider library the AES provider cannot be acquired.
        installer = self.walk_to_ready(["/url", "file:C:\\noprovider"], dll_overrides="rsaenh=d")
        self.session.press("next")
        status = "The component list cannot be checked on this system."
        self.assertEqual(self.session.driver("wait-text", 1006, status, 60, timeout=60), status)
        self.assertEqual(self.cancel_stopped_installation(), FAILURE)
        self.finish(installer)
        self.assertFalse(os.path.exists(self.installed("notes.txt")))
        self.assertFalse(os.path.exists(self.installed("client", "zorv3.lst")), "not even the list was fetched")


    def test_7_a_planted_library_of_a_higher_version_is_fetched_over_and_one_serial_is_one_list(self):
        # Versions compare as text: an ordinary user's 9.9.9.9 sorts after
        # the published 10.0.0.0, under the name of a component the list adds.
        published, planted = fixture("published_selfreg.dll"), fixture("planted_selfreg.dll")
        self.assertEqual(make_distribution.read_file_version(planted), "9.9.9.9")
        folder = self.session.drive_c("plantedreg")
        files = {"new.dll": published, "asks.dll": fixture("selfreg_window.dll")}
        lines = ["I,new.dll,%d,10.0.0.0,client" % len(published), "R,new.dll,client",
                 "I,asks.dll,%d,1.0.0.0" % len(files["asks.dll"]), "R,asks.dll"]
        accepted = self.publish(folder, files, lines, serial=50)
        installed = self.installed("client", "new.dll")
        os.makedirs(self.installed("client"))
        with open(installed, "wb") as handle:
            handle.write(planted)
        self.assertEqual(self.registered_asking(["/url", "file:C:\\plantedreg"]), SUCCESS)
        self.assertTrue(read(installed) == published, "the planted library was left in place")
        self.assertEqual(self.session.reg_query(TEST_KEY, "PublishedLibrary"), "DllRegisterServer")
        self.assertIsNone(self.session.reg_query(TEST_KEY, "PlantedLibrary"), "the planted library ran")

        # Another list with the same serial, signed by the vendor too, is
        # refused like an older one, also once the kept list is gone.
        more = dict(files, **{"more.txt": b"more\r\n"})
        self.publish(folder, more, lines + ["I,more.txt,6,1.0.0.0"], serial=50)
        before = digest_tree(self.installed())
        self.stopped(["/url", "file:C:\\plantedreg"], OLDER)
        self.assertEqual(digest_tree(self.installed()), before, "nothing changed")
        os.remove(self.installed("client", "zorv3.lst"))
        self.stopped(["/url", "file:C:\\plantedreg"], OLDER)
        self.assertFalse(os.path.exists(self.installed("more.txt")))

        # The very list accepted with that serial still installs. A current
        # file stays open for the rest of the installation: while a later
        # registration holds the walk, nobody can write it.
        write_distribution(folder, more, list_bytes=accepted)
        with open(self.session.drive_c("other.dll"), "wb") as handle:
            handle.write(planted)

        def overwrite():
            self.session.wine(["cmd", "/c", "copy", "/y", r"C:\other.dll",
                               self.INSTALL_FOLDER + r"\client\new.dll"], check=False)
            self.assertTrue(read(installed) == published, "a checked file was written during the walk")
        self.assertEqual(self.registered_asking(["/url", "file:C:\\plantedreg"], overwrite), SUCCESS)

    def registered_asking(self, args, while_asked=None):
        """An installation whose registration shows a box; while_asked runs
        while the box holds the walk. Returns the finish page's text."""
        installer = self.walk_to_ready(args)
        self.session.press("next")
        self.session.driver("wait-title", REGISTRATION_BOX, 90, timeout=90)
        if while_asked is not None:
            while_asked()
        self.session.driver("answer-title", REGISTRATION_BOX, 1)
        self.session.wait_page(FINISH, timeout=90)
        text = self.session.text(1006)
        self.finish(installer)
        return text

    def test_8_esc_is_taken_at_once_while_a_large_file_in_place_or_a_large_list_is_checked(self):
        # A current component of 768 MiB in place: the walk hashes it.
        size = 768 * 1024 * 1024
        big = self.installed("client", "big.dll")
        os.makedirs(self.installed("client"))
        with open(big, "wb") as handle:
            handle.write(fixture("ver_1_2_3_4.dll"))
            handle.truncate(size)
        digest = hashlib.sha256()
        with open(big, "rb") as handle:
            for block in iter(lambda: handle.read(1 << 20), b""):
                digest.update(block)
        lines = ["I,big.dll,%d,1.2.3.4,client" % size, "I,last.txt,4,1.0.0.0"]
        files = {"last.txt": b"last"}
        folder = self.session.drive_c("bigcheck")
        write_distribution(folder, files, list_bytes=make_distribution.list_bytes(
            with_digests(lines, files, {"big.dll": digest.hexdigest()}), 60, vendor_key()))
        inode = os.stat(big).st_ino
        kept = self.installed("client", "zorv3.lst")
        installer = self.walk_to_ready(["/url", "file:C:\\bigcheck", "/no-reg"])
        self.session.press("next")
        self.wait_for(lambda: os.path.exists(kept), "the list in place")
        self.wait_reading(installer, 64 * 1024 * 1024, "the hash of the file in place")
        self.assert_question_in_time(self.press_escape, "hash of a file in place: Esc")
        self.session.answer_msgbox(7)
        self.assert_repainted_in_time(1006, "hash of a file in place")
        self.press_on_cancel()
        self.assert_question_in_time(self.release_on_cancel, "hash of a file in place: click")
        self.session.answer_msgbox(6)
        self.session.wait_page(FINISH, timeout=30)
        self.assertEqual(self.session.text(1006), FAILURE)
        self.finish(installer)
        self.assertEqual((os.stat(big).st_ino, os.path.getsize(big)), (inode, size), "the file in place stays")
        self.assertFalse(os.path.exists(self.installed("last.txt")), "the Yes ended the walk")

        # A list of 512 MiB with a well-formed last line that no key signed.
        kept_list = read(kept)
        folder = self.session.drive_c("biglist")
        os.makedirs(folder, exist_ok=True)
        line = b"x" * 1022 + b"\r\n"
        total = 6 + 512 * 1024 * len(line) + 2 + 344 + 2
        with open(os.path.join(folder, "zorv3.lst"), "wb") as handle:
            handle.write(b"N,61\r\n")
            block = line * 1024
            for _ in range(512):
                handle.write(block)
            handle.write(b"S," + base64.b64encode(os.urandom(256)) + b"\r\n")
        download = kept + ".download"
        installer = self.walk_to_ready(["/url", "file:C:\\biglist", "/no-reg"])
        self.session.press("next")
        self.wait_for(lambda: os.path.exists(download) and os.path.getsize(download) == total, "the list's download")
        self.wait_reading(installer, 32 * 1024 * 1024, "the check of the list")
        self.assert_question_in_time(self.press_escape, "check of a large list: Esc")
        self.session.answer_msgbox(6)
        self.session.wait_page(FINISH, timeout=30)
        self.assertEqual(self.session.text(1006), FAILURE)
        self.finish(installer)
        self.assertEqual(read(kept), kept_list, "the kept list stays")


class KeylessDigestTest(SignedCase):
    """The installer without a key: digest records where a list carries them."""

    def setUp(self):
        shutil.rmtree(self.installed(), ignore_errors=True)
        self.session.reg_delete(TEST_KEY)

    def test_digest_records_guard_downloads_where_the_list_carries_them(self):
        folder = self.session.drive_c("keyless")
        first = {"data.txt": b"first copy of the data\r\n", "one.dll": fixture("ver_1_2_3_4.dll")}
        plain = ["T,%d" % sum(map(len, first.values())), "I,data.txt,%d,1.0.0.0,client" % len(first["data.txt"]),
                 "I,one.dll,%d,1.2.3.4,client" % len(first["one.dll"])]
        # A list without digest records installs as before.
        write_distribution(folder, first, plain)
        self.assertEqual(self.completed(["/url", "file:C:\\keyless"]), SUCCESS)
        self.assertEqual(read(self.installed("client", "data.txt")), first["data.txt"])
        self.assertEqual(read(self.installed("client", "one.dll")), first["one.dll"])

        # A digest that the file does not match: discarded, the walk goes on.
        second = {"asks.dll": fixture("selfreg_window.dll"), "data.txt": b"second copy of the data\r\n",
                  "last.txt": b"the last component\r\n"}
        lines = ["I,asks.dll,%d,1.0.0.0" % len(second["asks.dll"]),
                 "I,data.txt,%d,1.0.0.0,client" % len(second["data.txt"]), "R,asks.dll",
                 "I,last.txt,%d,1.0.0.0" % len(second["last.txt"])]
        wrong = hashlib.sha256(b"another copy of the data\r\n").hexdigest()
        write_distribution(folder, second, with_digests(lines, second, {"data.txt": wrong}))
        self.assertEqual(self.mismatch_seen(["/url", "file:C:\\keyless"], "data.txt"), FAILURE)
        self.assertEqual(read(self.installed("client", "data.txt")), first["data.txt"], "the installed copy stays")
        self.assertEqual(read(self.installed("last.txt")), second["last.txt"], "the walk went on")

        # The right digest is taken.
        write_distribution(folder, second, with_digests(lines, second))
        installer = self.walk_to_ready(["/url", "file:C:\\keyless"])
        self.session.press("next")
        self.session.driver("wait-title", REGISTRATION_BOX, 90, timeout=90)
        self.session.driver("answer-title", REGISTRATION_BOX, 1)
        self.session.wait_page(FINISH, timeout=90)
        self.assertEqual(self.session.text(1006), SUCCESS)
        self.finish(installer)
        self.assertEqual(read(self.installed("client", "data.txt")), second["data.txt"])

    def test_small_files_are_hashed_at_once_and_large_ones_on_the_hash_thread(self):
        folder = self.session.drive_c("hashed")
        os.makedirs(folder, exist_ok=True)
        contents = {"empty": b"", "at_limit": os.urandom(4096), "over_limit": os.urandom(4097),
                    "large": os.urandom(3 * 65536 + 17), "small_refused": b"not to be read"}
        for name, data in contents.items():
            with open(os.path.join(folder, name), "wb") as handle:
                handle.write(data)
        paths = ["C:\\hashed\\" + name for name in list(contents) + ["missing"]]
        results, stopped = hash_outcomes(self.session, 4096, paths)
        for name, data in contents.items():
            with self.subTest(name):
                how = "failed" if name.endswith("refused") else "hashed" if len(data) <= 4096 else "too-large"
                value = "" if how == "failed" else hashlib.sha256(data).hexdigest()
                # A file hashed is handed over open: nobody writes it until it is let go.
                self.assertEqual(results["C:\\hashed\\" + name], (how, value, how != "failed"))
        self.assertEqual(results["C:\\hashed\\missing"], ("failed", "", False))
        # A value stopped before its result is gone, and so is the file it held.
        self.assertEqual(stopped, "stopped hashed=1 result=0 writable=1")


if __name__ == "__main__":
    unittest.main(verbosity=2)
