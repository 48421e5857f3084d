"""A UI driver command that runs beside a test, inside the test's Wine
session, while the test acts from outside."""

import subprocess
import tempfile
import time

from zorvtest.session import DRIVER, HarnessError


class DriverWatch:
    """A UI driver command that runs beside the test: started, it prints
    "ready" before it begins to watch; its output is read once it ended."""

    def __init__(self, session, *args):
        self.out = tempfile.TemporaryFile()
        self.err = tempfile.TemporaryFile()
        self.process = subprocess.Popen(["wine", DRIVER] + [str(a) for a in args], env=session.env(),
                                        stdin=subprocess.DEVNULL, stdout=self.out, stderr=self.err)
        if not self.wait_output(b"ready", 20):
            self.stop()
            raise HarnessError("uidriver %s did not start" % args[0])

    def wait_output(self, text, timeout):
        """True once the output holds text, False when timeout s passed or
        the command ended without it."""
        deadline = time.time() + timeout
        while text not in self.output():
            if time.time() > deadline or self.process.poll() is not None:
                return text in self.output()
            time.sleep(0.01)
        return True

    def output(self):
        self.out.seek(0)
        return self.out.read()

    def ended(self):
        return self.process.poll() is not None

    def lines(self, timeout):
        """The output's lines, once the command ended within timeout s."""
        try:
            self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.stop()
            raise HarnessError("the watching driver did not end within %s s" % timeout)
        output = self.output().decode("cp1252", errors="replace")
        self.err.seek(0)
        error = self.err.read().decode("cp1252", errors="replace").strip()
        self.stop()
        if self.process.returncode != 0:
            raise HarnessError(error or "the watching driver failed (%d)" % self.process.returncode)
        return output.replace("\r\n", "\n").splitlines()

    def result(self, timeout):
        """The output lines as a dict of their key=value pairs."""
        fields = {}
        for line in self.lines(timeout):
            key, _, value = line.strip().partition("=")
            fields[key] = value
        return fields

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=10)
        for f in (self.out, self.err):
            if not f.closed:
                f.close()
