"""The code signature of the key-built installer (installer/signed/installer.exe):
made by the build with the vendor's certificate (here the throw-away one of
scripts/build.sh), verified with osslsigncode against its authority; the
build's signing step also with a certificate and key in PEM files."""

import os
import socket
import struct
import subprocess
import sys
import tempfile
import unittest

SOURCE_DIR = os.environ.get("ZORV_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
WIN32_DIR = os.environ.get("ZORV_WIN32_DIR", "")
OSSLSIGNCODE = os.environ.get("ZORV_OSSLSIGNCODE") or "osslsigncode"
AUTHORITY = os.environ.get("ZORV_CODE_SIGNING_CA", "")
PKCS12 = os.environ.get("ZORV_CODE_SIGNING_PKCS12", "")
PASSWORD_FILE = os.environ.get("ZORV_CODE_SIGNING_PASSWORD_FILE", "")
SIGNED = os.path.join(WIN32_DIR, "installer", "signed", "installer.exe")
UNSIGNED = os.path.join(WIN32_DIR, "installer", "code_signing", "installer.exe")
SIZE_BUDGET = 150 * 1024

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_import_table import read_imports  # noqa: E402


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=120, **kwargs)


def verify(path, authority):
    result = run([OSSLSIGNCODE, "verify", "-CAfile", authority, "-in", path])
    return result.returncode, result.stdout + result.stderr


def certificate_table(path):
    """The PE file's certificate table entry (offset, size): (0, 0) when unsigned."""
    with open(path, "rb") as handle:
        data = handle.read(4096)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    return struct.unpack_from("<II", data, pe + 24 + 96 + 4 * 8)


def read(path):
    with open(path, "rb") as handle:
        return handle.read()


class CodeSigningTest(unittest.TestCase):

    def setUp(self):
        self.work = tempfile.TemporaryDirectory(prefix="code_signing.")
        if not os.path.isfile(SIGNED):
            self.skipTest("the build has no vendor key, so no key-built installer")

    def tearDown(self):
        self.work.cleanup()

    def path(self, name):
        return os.path.join(self.work.name, name)

    def openssl(self, *args):
        result = run(["openssl"] + list(args), cwd=self.work.name)
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_1_the_key_built_installer_carries_the_vendors_signature(self):
        if not AUTHORITY:
            # Without a certificate nothing is signed.
            self.assertEqual(certificate_table(SIGNED), (0, 0))
            return
        code, output = verify(SIGNED, AUTHORITY)
        self.assertEqual(code, 0, output)
        self.assertIn("Signature verification: ok", output)
        self.assertRegex(output, r"Message digest algorithm *: SHA256")
        self.assertIn("Text description: ZORV Client V3 Setup", output)
        self.assertNotEqual(certificate_table(UNSIGNED), certificate_table(SIGNED))
        self.assertEqual(certificate_table(UNSIGNED), (0, 0))

        # The signature is all that changed: taken off, the bytes as linked are back.
        result = run([OSSLSIGNCODE, "remove-signature", "-in", SIGNED, "-out", self.path("removed.exe")])
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(read(self.path("removed.exe")), read(UNSIGNED))
        self.assertEqual(read_imports(SIGNED), read_imports(UNSIGNED))
        self.assertLessEqual(os.path.getsize(SIGNED), SIZE_BUDGET)

        # One byte changed fails: in the program's bytes, or in the RSA
        # signature at the end of the signer's record (the copies of the
        # certificates before it are not what the check relies on).
        signed = read(SIGNED)
        offset, size = certificate_table(SIGNED)
        for name, at in (("the DOS stub", signed.index(b"This program")), ("the code", 0x1000 + 0x200),
                         ("the signature", offset + size - 100)):
            with self.subTest(name):
                changed = bytearray(signed)
                changed[at] ^= 0x01
                with open(self.path("changed.exe"), "wb") as handle:
                    handle.write(changed)
                code, output = verify(self.path("changed.exe"), AUTHORITY)
                self.assertNotEqual(code, 0, output)
                self.assertNotIn("Signature verification: ok", output)

        # Another authority does not vouch for it.
        self.openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "other_key.pem", "-out",
                     "other_ca.pem", "-days", "2", "-subj", "/CN=Another authority")
        code, output = verify(SIGNED, self.path("other_ca.pem"))
        self.assertNotEqual(code, 0, output)

    @unittest.skipUnless(PKCS12 and PASSWORD_FILE, "the build has no code-signing certificate")
    def test_2_the_signing_step_takes_pem_files_and_fails_without_its_time_stamp(self):
        # The build's certificate with its chain, and its key encrypted, in PEM.
        self.openssl("pkcs12", "-in", PKCS12, "-passin", "file:" + PASSWORD_FILE, "-nokeys", "-out", "chain.pem")
        # (openssl reads both passwords from one file one line after the other)
        with open(self.path("out.pass"), "wb") as handle:
            handle.write(read(PASSWORD_FILE))
        self.openssl("pkcs12", "-in", PKCS12, "-passin", "file:" + PASSWORD_FILE, "-nocerts",
                     "-passout", "file:" + self.path("out.pass"), "-out", "key.pem")
        self.assertIn(b"ENCRYPTED", read(self.path("key.pem")))

        def sign(program, *settings):
            with open(program, "wb") as handle:
                handle.write(read(UNSIGNED))
            definitions = ["-DOSSLSIGNCODE=" + OSSLSIGNCODE, "-DPROGRAM=" + program,
                           "-DCERT=" + self.path("chain.pem"), "-DKEY=" + self.path("key.pem"),
                           "-DPASSWORD_FILE=" + PASSWORD_FILE] + list(settings)
            return run(["cmake"] + definitions + ["-P", os.path.join(SOURCE_DIR, "cmake", "sign_program.cmake")])

        result = sign(self.path("pem.exe"), "-DDESCRIPTION=PEM test")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        code, output = verify(self.path("pem.exe"), AUTHORITY)
        self.assertEqual(code, 0, output)
        self.assertIn("Text description: PEM test", output)

        # A time-stamp server that does not answer: the build fails and
        # leaves no program behind that a next build would take for signed.
        with socket.socket() as closed:
            closed.bind(("127.0.0.1", 0))
            result = sign(self.path("stamped.exe"), "-DTIMESTAMP_URL=http://127.0.0.1:%d/" % closed.getsockname()[1])
        self.assertNotEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("could not sign", result.stderr)
        self.assertFalse(os.path.exists(self.path("stamped.exe")))
        self.assertFalse(os.path.exists(self.path("stamped.exe.signing")))


if __name__ == "__main__":
    unittest.main(verbosity=2)
