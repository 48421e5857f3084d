"""tools/check_distribution.py against the build's signed sample distribution,
from a folder and from a loopback HTTP server, and against copies of it that
key-built installers would refuse in part."""

import ast
import http.server
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest

SOURCE_DIR = os.environ.get("ZORV_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
WIN32_DIR = os.environ.get("ZORV_WIN32_DIR", "")
PUBLIC_KEY = os.environ.get("ZORV_VENDOR_KEY", "")
PRIVATE_KEY = os.environ.get("ZORV_VENDOR_PRIVATE_KEY", "")
SAMPLE = os.path.join(WIN32_DIR, "sample", "distribution")
TOOL = os.path.join(SOURCE_DIR, "tools", "check_distribution.py")
sys.path.insert(0, os.path.join(SOURCE_DIR, "tools"))

import check_distribution  # noqa: E402
import make_distribution  # noqa: E402


class LoopbackServer:
    """Serves a folder on 127.0.0.1 and records every request; paths in
    redirects are answered with a 302."""

    def __init__(self, root):
        self.requests = []
        self.redirects = set()
        server = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def __init__(self, *args, **kwargs):
                super().__init__(*args, directory=root, **kwargs)

            def do_GET(self):
                server.requests.append((self.requestline, list(self.headers.items())))
                if self.path in server.redirects:
                    self.send_response(302)
                    self.send_header("Location", "http://127.0.0.1/elsewhere" + self.path)
                    self.end_headers()
                    return
                super().do_GET()

            def log_message(self, *args):
                pass

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.httpd.server_port, path)

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.httpd.shutdown()
        self.httpd.server_close()
        self.thread.join(timeout=10)


def check(location, *args):
    result = subprocess.run([sys.executable, TOOL, location, "--key", PUBLIC_KEY] + list(args),
                            capture_output=True, text=True, timeout=120)
    return result.returncode, result.stdout + result.stderr


@unittest.skipUnless(PUBLIC_KEY and PRIVATE_KEY, "the build has no vendor key pair (scripts/build.sh makes one)")
class CheckDistributionTest(unittest.TestCase):

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="check_distribution.")
        self.folder = os.path.join(self.work, "dist")
        shutil.copytree(SAMPLE, self.folder)
        with open(os.path.join(SAMPLE, "zorv3.lst"), "rb") as handle:
            self.signed = handle.read()
        self.key = make_distribution.load_signing_key(PRIVATE_KEY)

    def tearDown(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def write(self, name, data):
        with open(os.path.join(self.folder, name), "wb") as handle:
            handle.write(data)

    def resigned(self, replace):
        """The sample list with its lines changed by replace, signed again with the vendor's key."""
        lines = self.signed[:check_distribution.signature_line(self.signed)[0]].decode("latin-1").split("\r\n")[:-1]
        return make_distribution.list_bytes(replace(lines), key=self.key)

    def test_1_the_sample_distribution_passes_from_a_folder_and_over_http(self):
        code, output = check(SAMPLE)
        self.assertEqual(code, 0, output)
        self.assertRegex(output, r"7 components, \d+ bytes served, serial 1, signed with the key: no problems")
        with LoopbackServer(self.work) as server:
            code, output = check(server.url("/dist"))
        self.assertEqual(code, 0, output)
        self.assertIn("no problems", output)
        # The installer's own request: HTTP/1.0, its two header lines, no Host.
        self.assertEqual(len(server.requests), 8)
        for line, headers in server.requests:
            self.assertRegex(line, r"^GET /dist/[a-z0-9]+\.[a-z]{3} HTTP/1\.0$")
            self.assertEqual(headers, [("Pragma", "no-cache"), ("User-Agent", "JQ/2")])

    def test_2_what_a_key_built_installer_refuses_is_named(self):
        with open(os.path.join(SAMPLE, "zorvcore.dll"), "rb") as handle:
            changed = bytearray(handle.read())
        changed[changed.index(b"This program")] ^= 0x20
        start = check_distribution.signature_line(self.signed)[0]
        long_comment = "#" + "x" * 520
        cases = [
            ("a changed component", lambda: self.write("zorvcore.dll", changed),
             ["I,zorvcore.dll: the location serves other bytes than its D record's digest"]),
            ("a missing component", lambda: os.remove(os.path.join(self.folder, "zorvui.dll")),
             ["problem: zorvui.dll: zorvui.dll cannot be read"]),
            ("a list changed after signing", lambda: self.write(
                "zorv3.lst", self.signed.replace(b"# into", b"# Into", 1)),
             ["zorv3.lst: the signature does not match the list and this key"]),
            ("a list signed with another key", lambda: self.write("zorv3.lst", self.signed[:start] + (
                make_distribution.signature_record(self.signed[:start], other_key()))),
             ["zorv3.lst: the signature does not match the list and this key"]),
            ("no signature", lambda: self.write("zorv3.lst", self.signed[:start]),
             ["zorv3.lst: the last line is no signature line"]),
            ("records the installer refuses, signed", lambda: self.write("zorv3.lst", self.resigned(lambda lines: [
                line.replace("I,zorvc.exe,19968,", "I,zorvc.exe,19969,").replace("N,1", "N,x")
                .replace("I,readme.txt,243,0.0.0.0", "I,readme.txt,243,0.0.0.0,..\\up")
                .replace("R,zorvc.exe,client", "R,COM0.exe,client").replace("T,", "T,1")
                for line in lines if not line.startswith("D,zorvui.dll,")] + [long_comment, "L,a.exe,.,Menu"])),
             ["zorv3.lst: the N record holds no serial", "line 9: I,zorvc.exe: the size field says 19969 bytes",
              "line 16: I,zorvui.dll: no D record of this file field", "I,readme.txt: the installer refuses the "
              "folder field '..\\\\up'", "R,COM0.exe: the installer refuses the file field 'COM0.exe'",
              "the T record says 1214303 bytes, the size fields of the I and M records add up to 214304",
              "line 35: longer than 511 bytes", "line 36: an L record needs a file, a folder, a menu folder and a name"]),
        ]
        for name, change, expected in cases:
            with self.subTest(name):
                shutil.rmtree(self.folder)
                shutil.copytree(SAMPLE, self.folder)
                change()
                code, output = check(self.folder)
                self.assertEqual(code, 1, output)
                for text in expected:
                    self.assertIn(text, output)
                self.assertEqual(len(re.findall(r"^problem: ", output, re.M)), len(expected), output)

        # Over HTTP: a server that redirects one file, and the older serial.
        shutil.rmtree(self.folder)
        shutil.copytree(SAMPLE, self.folder)
        previous = os.path.join(self.work, "published.lst")
        with open(previous, "wb") as handle:
            handle.write(b"N,2\r\n")
        with LoopbackServer(self.work) as server:
            server.redirects.add("/dist/zorvsys.dll")
            code, output = check(server.url("/dist/"), "--previous", previous)
        self.assertEqual(code, 1, output)
        self.assertIn("problem: zorvsys.dll: the server answers %s with 'HTTP/1.0 302 Found'"
                      % server.url("/dist/zorvsys.dll"), output)
        self.assertIn("problem: zorv3.lst: serial 1 is below the published list's 2", output)
        self.assertEqual(len(re.findall(r"^problem: ", output, re.M)), 2, output)

    def test_3_paths_are_refused_as_the_installer_refuses_them(self):
        # The installer's own table of accepted and refused paths.
        with open(os.path.join(SOURCE_DIR, "tests", "unit", "component_location_test.cpp"), encoding="latin-1") as f:
            source = f.read()
        tables = {"good": [], "bad": []}
        for test in re.findall(r"TEST\(SafeRelativePath, \w+\)\s*\{(.*?)\n\}", source, re.S):
            for kind, body in re.findall(r"const char\* (good|bad)\[\] = \{(.*?)\};", test, re.S):
                tables[kind] += [ast.literal_eval(text) for text in re.findall(r'"(?:[^"\\]|\\.)*"', body)]
        self.assertGreater(len(tables["good"]), 20)
        self.assertGreater(len(tables["bad"]), 60)
        for text in tables["good"]:
            self.assertTrue(check_distribution.is_safe_relative_path(text), repr(text))
        for text in tables["bad"]:
            self.assertFalse(check_distribution.is_safe_relative_path(text), repr(text))


def other_key():
    from cryptography.hazmat.primitives.asymmetric import rsa
    return rsa.generate_private_key(public_exponent=65537, key_size=2048)


if __name__ == "__main__":
    unittest.main(verbosity=2)
