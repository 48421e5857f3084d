"""Installing from a file: location: the walk, the progress dialog, Cancel,
and lists that are missing or malformed."""

import os
import random
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.case import FAILURE, FINISH, SUCCESS, InstallTestCase  # noqa: E402
from zorvtest.distribution import digest_tree, write_distribution  # noqa: E402
from zorvtest.driver_watch import DriverWatch  # noqa: E402

QUESTION = "Do you really want to abort the installation process?"
FILE_BAR = 1005


class LocalInstallTest(InstallTestCase):

    def distribution(self, name, files, lines=None, raw=None):
        write_distribution(self.session.drive_c(name), files, lines, raw)
        return ["/url", "file:C:\\" + name]

    def test_first_installation_puts_every_component_in_place(self):
        files = {"core.txt": b"c" * 10000, "ui.txt": os.urandom(9000), "empty.txt": b"", "big.txt": b"b" * 8192}
        lines = ["T,27192", "# a comment line", "", "I,core.txt,10000,1.0.0.0,client",
                 "i,ignored.txt,1,1.0.0.0", "I,ui.txt,9000,1.0.0.0", "I,empty.txt,0,1.0.0.0,client",
                 "I,big.txt,8192,1.0.0.0,client\\sub"]
        args = self.distribution("dist1", files, lines)
        installer, text = self.install(args)
        self.assertEqual(text, SUCCESS)
        self.finish(installer)
        for name, where in (("core.txt", "client"), ("ui.txt", ""), ("empty.txt", "client"),
                            ("big.txt", "client\\sub")):
            path = self.installed(*(where.split("\\") + [name])) if where else self.installed(name)
            with open(path, "rb") as f:
                self.assertEqual(f.read(), files[name], name)
        self.assertTrue(os.path.isfile(self.installed("client", "zorv3.lst")))
        self.assertFalse(os.path.exists(self.installed("ignored.txt")))
        leftovers = [p for p in digest_tree(self.installed()) if p.endswith(".download")]
        self.assertEqual(leftovers, [])

    def test_the_bars_move_at_the_pace_of_the_display(self):
        # A fast copy reports a new percent every few milliseconds: the bars
        # follow at most 30 times a second, and the end shows at once.
        size = 32 * 1024 * 1024
        folder = self.session.drive_c("pace")
        write_distribution(folder, {}, ["T,%d" % size, "I,pace.bin,%d,1.0.0.0" % size])
        with open(os.path.join(folder, "pace.bin"), "wb") as f:
            f.truncate(size)
        installer = self.walk_to_ready(["/url", "file:C:\\pace"])
        watch = DriverWatch(self.session, "watch-bar", FILE_BAR, 60)
        self.addCleanup(watch.stop)
        self.session.press("next")
        bar = watch.result(timeout=90)
        self.session.wait_page(FINISH, timeout=60)
        self.assertEqual(self.session.text(1006), SUCCESS)
        self.finish(installer)
        moves, open_ms = int(bar["moves"]), float(bar["open"])
        print("file bar: %d moves in the %.0f ms the dialog was open" % (moves, open_ms), file=sys.stderr)
        self.assertEqual(bar["last"], "100")
        self.assertGreaterEqual(moves, 3, "the bar moved during the copy")
        # At most 30 moves a second, and the first and last positions
        # of the list's download and of the copy at once.
        self.assertLessEqual(moves, open_ms / 30 + 4, "the bar moves at most 30 times a second")

    def test_missing_list_stops_the_walk_and_cancel_closes_at_once(self):
        args = self.distribution("nolist", {"a.txt": b"a"})
        installer = self.walk_to_ready(args)
        self.session.press("next")
        self.session.driver("wait-progress", 30, timeout=30)
        status = self.session.driver("wait-text", 1006, "HTTP/1.0 404", 30, timeout=30)
        self.assertTrue(status.startswith("HTTP/1.0 404 File C:\\nolist/zorv3.lst not found"), status)
        self.session.screenshot("progress-missing-list")
        self.assertEqual(self.cancel_stopped_installation(), FAILURE)
        self.finish(installer)

    def test_cancel_asks_no_goes_on_yes_and_escape_end_the_dialog(self):
        big = b"z" * (192 * 1024 * 1024)
        args = self.distribution("slow", {"huge.bin": big}, ["T,%d" % len(big), "I,huge.bin,%d,1.0.0.0" % len(big)])
        for how in ("button", "escape"):
            with self.subTest(how=how):
                installer = self.walk_to_ready(args)
                self.session.press("next")
                self.session.driver("wait-text", 1006, "Reading data...", 60, timeout=60)
                if how == "button":
                    # The counts move on with the copy (its first counts come
                    # with its first chunk, a moment after its status).
                    counts = [self.session.driver("wait-text", 1008, "of 192.00 MB", 20, timeout=20)]
                    deadline = time.time() + 10
                    while counts[-1] == counts[0] and time.time() < deadline:
                        counts.append(self.session.text(1008))
                    for text in counts:
                        self.assertRegex(text, r"^\d+\.\d\d [KM]B of 192\.00 MB transfered \((\d+\.\d\d [KM]B)?/sec\)$")
                    self.assertNotEqual(counts[0], counts[-1])
                self.session.driver("click" if how == "button" else "escape", 2)
                box = self.session.wait_msgbox(20)
                self.assertEqual(box["text"], QUESTION)
                self.assertEqual(sorted(box["buttons"]), [6, 7])
                self.assertTrue(box["icon"])
                if how == "button":
                    self.session.screenshot("progress-cancel-question")
                    self.session.answer_msgbox(7)
                    self.session.driver("wait-msgbox-gone", 10, timeout=10)
                    self.session.driver("wait-progress", 5)
                    self.session.driver("click", 2)
                    self.session.wait_msgbox(20)
                self.session.answer_msgbox(6)
                self.session.driver("wait-progress-gone", 20, timeout=20)
                self.session.wait_page(FINISH)
                self.assertEqual(self.session.text(1006), FAILURE)
                self.finish(installer)
                self.assertFalse(os.path.exists(self.installed("huge.bin")), "a cancelled download is not installed")
                self.assertFalse(os.path.exists(self.installed("huge.bin.download")))

    def test_records_that_would_leave_the_folder_or_lack_fields_are_refused(self):
        files = {"good.txt": b"good", "evil.txt": b"evil"}
        lines = ["I,..\\evil.txt,4,1.0.0.0", "I,evil.txt,4,1.0.0.0,..\\..", "I,C:\\evil.txt,4,1.0.0.0",
                 "I,evil.txt,4,1.0.0.0,\\\\server\\share", "I,evil.txt,4,1.0.0.0,/abs", "I,short.txt,4",
                 "I,sub/../../evil.txt,4,1.0.0.0", "I,good.txt,4,1.0.0.0,client"]
        args = self.distribution("hostile", files, lines)
        installer, text = self.install(args)
        self.assertEqual(text, FAILURE)
        self.finish(installer)
        with open(self.installed("client", "good.txt"), "rb") as f:
            self.assertEqual(f.read(), b"good", "the walk goes on after refused records")
        program_files = self.session.drive_c("Program Files")
        for path in (self.session.drive_c("evil.txt"), os.path.join(program_files, "Brenix", "evil.txt"),
                     os.path.join(program_files, "evil.txt"), self.installed("evil.txt"),
                     self.installed("short.txt")):
            self.assertFalse(os.path.exists(path), path)

    def test_malformed_lists_end_with_a_result(self):
        rng = random.Random(7)
        # Each with the result its records give: one without the fields its
        # type needs is refused and the walk goes on. The random bytes hold,
        # among lines of no type, an I and an M record without fields.
        cases = {
            "random": (bytes(rng.randrange(256) for _ in range(20000)), FAILURE, []),
            # "I,a" (the NUL ends its line) lacks its fields; b.txt installs.
            "nul": (b"T,10\r\nI,a\x00.txt,1,1.0.0.0\r\n\x00\x00\x00\r\nI,b.txt,1,1.0.0.0\r\n", FAILURE, ["b.txt"]),
            "empty": (b"", SUCCESS, []),
            # The first 511 characters are an I record of one field.
            "long": (b"I," + b"x" * 600 + b"\nT,5\n", FAILURE, []),
        }
        for name, (raw, expected, installed) in cases.items():
            with self.subTest(list=name):
                shutil.rmtree(self.installed(), ignore_errors=True)
                args = self.distribution("bad" + name, {"b.txt": b"b"}, raw=raw)
                installer, text = self.install(args, timeout=120)
                self.assertEqual(text, expected)
                self.finish(installer)
                self.assertEqual(sorted(p for p in digest_tree(self.installed()) if not p.startswith("client")),
                                 installed)

if __name__ == "__main__":
    unittest.main(verbosity=2)
