"""A list of thousands of components that are all current: while the walk
counts them, the progress dialog answers, its overall bar moves, and a real
Esc brings the Cancel question at once and, answered Yes, ends the walk."""

import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.case import FAILURE, FINISH, SUCCESS, InstallTestCase, fixture  # noqa: E402
from zorvtest.distribution import digest_tree, write_distribution  # noqa: E402
from zorvtest.driver_watch import DriverWatch  # noqa: E402
from zorvtest.real_input import RealInput  # noqa: E402

COUNT = 2000
OVERALL_BAR = 1012
QUESTION = "Do you really want to abort the installation process?"
PING_INTERVAL_MS = 50
# The slowest answer to a sent message the dialog may give during the walk.
ANSWER_LIMIT_MS = 200
# From the key press to the question on the screen.
LATENCY_LIMIT_MS = 250


class ResponsiveWalkTest(RealInput, InstallTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.component = fixture("ver_1_2_3_4.dll")
        folder = cls.session.unix_path(cls.INSTALL_FOLDER)
        os.makedirs(folder, exist_ok=True)
        for i in range(COUNT):
            with open(os.path.join(folder, "c%04d.dll" % i), "wb") as f:
                f.write(cls.component)

    def write_list(self, name, files=None, more_lines=(), more_bytes=0):
        """COUNT current components (installed by setUpClass), then
        more_lines; the total counts them all, so the bar can reach its end."""
        lines = ["T,%d" % (COUNT * len(self.component) + more_bytes)]
        lines += ["I,c%04d.dll,%d,1.2.3.4" % (i, len(self.component)) for i in range(COUNT)]
        write_distribution(self.session.drive_c(name), files or {}, lines + list(more_lines))

    def components(self):
        return {name: entry for name, entry in digest_tree(self.installed()).items()
                if re.fullmatch(r"c\d{4}\.dll", name)}

    def test_the_dialog_answers_and_its_bar_moves_during_the_walk(self):
        self.write_list("walk")
        before = self.components()
        self.assertEqual(len(before), COUNT)
        # Without the configuration hand-over: what is timed is the walk.
        installer = self.walk_to_ready(["/url", "file:C:\\walk", "/no-reg"])
        pinger = DriverWatch(self.session, "ping-dialog", PING_INTERVAL_MS, 120, OVERALL_BAR)
        self.addCleanup(pinger.stop)
        self.session.press("next")
        pings = pinger.result(timeout=150)
        self.session.wait_page(FINISH, timeout=30)
        self.assertEqual(self.session.text(1006), SUCCESS)
        self.finish(installer)

        count, longest, open_ms = int(pings["pings"]), float(pings["longest"]), float(pings["open"])
        positions = [int(p) for p in pings["bar"].split(",") if p]
        print("%d pings in %.0f ms, the slowest answered after %.0f ms; bar at %s" % (count, open_ms, longest,
                                                                                     positions), file=sys.stderr)
        self.assertLess(longest, ANSWER_LIMIT_MS, "the dialog answered after %.0f ms" % longest)
        # Asked all through the walk: no answer held the next question back
        # for long, so the questions came near their pace.
        self.assertGreaterEqual(count, 3, "the dialog was asked during the walk")
        self.assertGreaterEqual(count, open_ms / PING_INTERVAL_MS / 2,
                                "%d pings in the %.0f ms the dialog was open" % (count, open_ms))
        self.assertTrue([p for p in positions if 0 < p < 100],
                        "the overall bar moved while the walk counted (seen: %s)" % positions)
        self.assertEqual(positions, sorted(positions), "the overall bar only moves forward")
        self.assertEqual(self.components(), before, "current components are not fetched again")

    def test_an_esc_in_the_walk_is_taken_at_once_and_ends_it(self):
        last = self.installed("last.txt")
        if os.path.exists(last):
            os.remove(last)
        # A component behind the current ones: a walk that went on after the
        # Cancel would fetch it.
        self.write_list("cancel", {"last.txt": b"last"}, ["I,last.txt,4,1.0.0.0"], 4)
        installer = self.walk_to_ready(["/url", "file:C:\\cancel", "/no-reg"])
        # The question is answered Yes as soon as it shows: the walk goes on
        # under it, and would end on its own after a few seconds.
        question = DriverWatch(self.session, "watch-msgbox", 60, 6)
        self.addCleanup(question.stop)
        moving = DriverWatch(self.session, "wait-bar", OVERALL_BAR, 1, 60)
        self.addCleanup(moving.stop)
        self.session.press("next")
        deadline = time.time() + 60
        while not moving.ended() and time.time() < deadline:
            time.sleep(0.005)
        position = int(moving.result(timeout=5)["pos"])
        pressed = time.time()
        self.xdotool("key", "Escape")
        self.assertLess(position, 100, "the overall bar moved only after the walk")
        box = question.result(timeout=30)
        latency = float(box["shown"]) - pressed * 1000
        print("Esc with the bar at %d %%: question after %.0f ms" % (position, latency), file=sys.stderr)
        self.assertEqual(box["text"], QUESTION)
        self.assertLess(latency, LATENCY_LIMIT_MS, "Esc brought the question after %.0f ms" % latency)
        self.session.wait_page(FINISH, timeout=30)
        self.assertEqual(self.session.text(1006), FAILURE, "the Yes ended the walk")
        self.finish(installer)
        self.assertFalse(os.path.exists(last), "no record is acted on after the Cancel")


if __name__ == "__main__":
    unittest.main(verbosity=2)
