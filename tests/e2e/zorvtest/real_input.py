"""Real key presses and clicks on the test's own virtual display, and the
time until the Cancel question shows, as a watcher inside Wine sees it: a
posted message jumps the queue that real input waits in and proves nothing."""

import os
import subprocess
import sys
import time

from zorvtest.driver_watch import DriverWatch
from zorvtest.session import HarnessError

QUESTION = "Do you really want to abort the installation process?"
# From the key press or click to the question on the screen.
LATENCY_LIMIT_MS = 250


class RealInput:
    """A mixin for SessionTestCase classes."""

    def xdotool(self, *args):
        subprocess.run(["xdotool"] + list(args), env=dict(os.environ, DISPLAY=self.session.display),
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=10, check=True)

    def question_latency(self, act):
        """Does act (a real key press or click) and returns the milliseconds
        until the Cancel question showed, as a watcher inside Wine saw it."""
        watcher = DriverWatch(self.session, "watch-msgbox", 20)
        try:
            started = time.time()
            act()
            shown = watcher.result(timeout=40).get("shown")
        finally:
            watcher.stop()
        if not shown:
            raise HarnessError("the Cancel question never showed")
        return float(shown) - started * 1000

    def wait_for(self, condition, what, timeout=90):
        deadline = time.time() + timeout
        while not condition():
            if time.time() > deadline:
                self.fail("timed out waiting for " + what)
            time.sleep(0.01)

    def wait_reading(self, installer, count, what, timeout=90):
        """Waits until the installer has read count more bytes than when
        called: a hash or a copy is then under way, not about to begin."""
        def read_bytes():
            with open("/proc/%d/io" % installer.popen.pid) as io:
                return int(next(line for line in io if line.startswith("rchar:")).split()[1])
        start = read_bytes()
        self.wait_for(lambda: read_bytes() >= start + count, what, timeout)

    def press_escape(self):
        self.xdotool("key", "Escape")

    def press_on_cancel(self):
        x, y, width, height = (int(v) for v in self.session.driver("rect", 2).split())
        self.xdotool("mousemove", str(x + width // 2), str(y + height // 2))
        self.xdotool("mousedown", "1")

    def release_on_cancel(self):
        # A click is complete when the button is released: it is timed from there.
        self.xdotool("mouseup", "1")

    def assert_question_in_time(self, act, what):
        latency = self.question_latency(act)
        box = self.session.wait_msgbox(5)
        self.assertEqual(box["text"], QUESTION)
        print("%s: question after %.0f ms" % (what, latency), file=sys.stderr)
        self.assertLess(latency, LATENCY_LIMIT_MS, "%s brought the question after %.0f ms" % (what, latency))

    def assert_repainted_in_time(self, control_id, what):
        """An area that needs painting (as one a closed box uncovers) is painted at once."""
        repaint = float(self.session.driver("repaint", control_id, 5).split("=")[1])
        print("%s: repainted after %.0f ms" % (what, repaint), file=sys.stderr)
        self.assertLess(repaint, LATENCY_LIMIT_MS, "%s: repainted after %.0f ms" % (what, repaint))
