"""The UI driver that stays running beside a test's Wine session ("uidriver
serve"): one command a line, each answered before the next is sent."""

import os
import select
import signal
import subprocess
import tempfile
import threading
import time

ANSWER_END = b"\x1e"
# The driver reads a command line into a buffer of this size.
LINE_LIMIT = 4096


class DriverTimeout(Exception):
    pass


class ServingDriver:
    def __init__(self, driver, env):
        self.errors = tempfile.TemporaryFile()   # what Wine itself prints
        self.process = subprocess.Popen(["wine", driver, "serve"], env=env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=self.errors)
        self.lock = threading.Lock()
        self.pending = b""
        code, _ = self._answer(60)
        if code != "-":
            self.stop()
            raise DriverTimeout("the UI driver did not start")

    def alive(self):
        return self.process.poll() is None

    def run(self, args, timeout):
        """(exit code, output) of one command, or None when another thread's
        command runs; DriverTimeout when no answer comes within timeout s or
        the answer cannot be read (the driver is then stopped)."""
        line = "\t".join(args).encode("cp1252") + b"\n"
        if b"\r" in line[:-1] or b"\n" in line[:-1] or any("\t" in a for a in args) or len(line) >= LINE_LIMIT:
            raise ValueError("a driver command the driver cannot read as one line: %r" % (args,))
        if not self.lock.acquire(blocking=False):
            return None
        try:
            try:
                self.process.stdin.write(line)
                self.process.stdin.flush()
            except (BrokenPipeError, OSError):
                self.stop()
                raise DriverTimeout("the UI driver has ended")
            code, output = self._answer(timeout)
            try:
                return int(code), output
            except ValueError:
                self.stop()
                raise DriverTimeout("the UI driver's answer cannot be read: %r" % code)
        finally:
            self.lock.release()

    def _answer(self, timeout):
        deadline = time.monotonic() + timeout
        fd = self.process.stdout.fileno()
        while True:
            at = self.pending.find(ANSWER_END)
            end = self.pending.find(b"\n", at) if at >= 0 else -1
            if end >= 0:
                output = self.pending[:at]
                code = self.pending[at + 1:end].strip().decode("ascii", errors="replace")
                self.pending = self.pending[end + 1:]
                return code, output.decode("cp1252", errors="replace").replace("\r\n", "\n")
            left = deadline - time.monotonic()
            ready = select.select([fd], [], [], max(left, 0))[0] if left > 0 else []
            if not ready:
                self.stop()
                raise DriverTimeout("no answer within %s s" % timeout)
            chunk = os.read(fd, 65536)
            if not chunk:
                self.stop()
                raise DriverTimeout("the UI driver ended")
            self.pending += chunk

    def stop(self):
        if self.process.poll() is None:
            try:
                self.process.stdin.close()
                self.process.wait(timeout=5)
            except (OSError, subprocess.TimeoutExpired):
                try:
                    os.kill(self.process.pid, signal.SIGKILL)
                    self.process.wait(timeout=10)
                except (ProcessLookupError, subprocess.TimeoutExpired):
                    pass
        for f in (self.process.stdin, self.process.stdout, self.errors):
            if not f.closed:
                f.close()
