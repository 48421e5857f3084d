"""The installer's compiled resources stay what they were when every language
had a copy of its own of the dialog templates: installer/res/layout.rc writes
them once, each language file gives its texts. The resource script is
compiled with windres as the build compiles it, and the digest of the result
is compared with the digest checked in beside this test. A deliberate change
of a template or a text updates that digest in the same commit."""

import hashlib
import os
import shutil
import subprocess
import tempfile
import unittest

SOURCE_DIR = os.environ.get("ZORV_SOURCE_DIR", "")
RES_DIR = os.path.join(SOURCE_DIR, "installer", "res")
DIGEST_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "installer_resources.sha256")
WINDRES = os.environ.get("ZORV_WINDRES") or shutil.which("i686-w64-mingw32-windres")


def compile_resources(output_format, output):
    subprocess.run([WINDRES, "-I", RES_DIR, "-i", os.path.join(RES_DIR, "installer.rc"),
                    "-O", output_format, "-o", output],
                   cwd=RES_DIR, check=True, timeout=60)


class ResourcesTest(unittest.TestCase):

    def test_compiled_resources_match_the_checked_in_digest(self):
        self.assertTrue(WINDRES, "i686-w64-mingw32-windres is needed")
        with open(DIGEST_FILE) as f:
            expected = f.read().split()[0]
        with tempfile.TemporaryDirectory() as work:
            compiled = os.path.join(work, "installer.res")
            compile_resources("res", compiled)
            with open(compiled, "rb") as f:
                digest = hashlib.sha256(f.read()).hexdigest()
            if digest != expected:
                # What changed is easier to tell from the decompiled script.
                script = os.path.join(work, "installer_decompiled.rc")
                compile_resources("rc", script)
                with open(script, encoding="latin-1") as f:
                    print(f.read())
            self.assertEqual(digest, expected, "the compiled resources differ from the checked-in ones")


if __name__ == "__main__":
    unittest.main()
