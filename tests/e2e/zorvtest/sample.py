"""The sample client and distribution of the build, and its journal."""

import os
import shutil
import time

from zorvtest.session import WIN32_DIR

DISTRIBUTION = os.path.join(WIN32_DIR, "sample", "distribution")
SAMPLE_KEY = r"HKCU\Software\Brenix\ZORV3 Sample"


def copy_distribution(session, name):
    """The sample distribution as a folder C:\\<name> of the prefix."""
    target = session.drive_c(name)
    shutil.rmtree(target, ignore_errors=True)
    shutil.copytree(DISTRIBUTION, target)
    return target


class Journal:
    """journal.txt beside the sample server or application."""

    def __init__(self, folder):
        self.path = os.path.join(folder, "journal.txt")

    def lines(self):
        try:
            with open(self.path, "rb") as f:
                return f.read().decode("cp1252").splitlines()
        except FileNotFoundError:
            return []

    def mark(self):
        return len(self.lines())

    def since(self, mark):
        return self.lines()[mark:]

    def wait_for(self, line, timeout=20):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if line in self.lines():
                return
            time.sleep(0.1)
        raise AssertionError("journal %s never showed %r; it has %r" % (self.path, line, self.lines()[-10:]))
