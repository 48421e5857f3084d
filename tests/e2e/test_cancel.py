"""Cancel always works: real key presses and clicks on the virtual display
during a fast local copy and a loopback stream, a Cancel answered after the
installation has ended, and a Cancel inside a component's own message loop."""

import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.case import FAILURE, FINISH, SUCCESS, InstallTestCase, fixture  # noqa: E402
from zorvtest.distribution import write_distribution  # noqa: E402
from zorvtest.distribution_server import DistributionServer, streaming  # noqa: E402
from zorvtest.real_input import QUESTION, RealInput  # noqa: E402

PATH = "/dist"
TEST_KEY = r"HKCU\Software\ZorvTest"
BIG = 256 * 1024 * 1024


class CancelTest(RealInput, InstallTestCase):

    def setUp(self):
        shutil.rmtree(self.installed(), ignore_errors=True)

    def cancel_twice_while_it_runs(self, installer, name, download):
        """Esc, answered No; the dialog repaints what the box covered; a click
        on Cancel, answered Yes: the installation ends as failed."""
        self.session.driver("wait-text", 1006, "Reading data...", 60, timeout=60)
        self.wait_for(lambda: os.path.getsize(download) > 16 * 1024 * 1024 if os.path.exists(download) else False,
                      "16 MiB of the download written")
        self.assert_question_in_time(self.press_escape, name + ": Esc")
        self.session.answer_msgbox(7)
        # An area that needs painting (as one a closed box uncovers) is
        # painted while the transfer runs on.
        self.assert_repainted_in_time(1006, name)
        self.session.screenshot("cancel-%s-after-no" % name)
        self.assertEqual(self.session.text(1006), "Reading data...", "the transfer still runs")
        self.press_on_cancel()
        self.assert_question_in_time(self.release_on_cancel, name + ": click")
        self.session.answer_msgbox(6)
        self.session.wait_page(FINISH, timeout=30)
        self.assertEqual(self.session.text(1006), FAILURE)
        self.finish(installer)

    def test_esc_and_click_during_a_fast_local_copy(self):
        folder = self.session.drive_c("bigdist")
        write_distribution(folder, {}, ["T,%d" % BIG, "I,huge.bin,%d,1.0.0.0" % BIG])
        with open(os.path.join(folder, "huge.bin"), "wb") as f:
            f.truncate(BIG)
        installer = self.walk_to_ready(["/url", "file:C:\\bigdist"])
        self.session.press("next")
        self.cancel_twice_while_it_runs(installer, "file", self.installed("huge.bin.download"))
        self.assertFalse(os.path.exists(self.installed("huge.bin")))
        self.assertFalse(os.path.exists(self.installed("huge.bin.download")))

    def test_esc_and_click_during_a_loopback_stream(self):
        root = os.path.join(self.session.root, "stream")
        write_distribution(root + PATH, {}, ["I,stream.bin,%d,1.0.0.0" % BIG])
        with DistributionServer(root) as server:
            server.answers[PATH + "/stream.bin"] = streaming(
                b"HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n" % BIG, BIG)
            installer = self.walk_to_ready(["/url", server.url(PATH)])
            self.session.press("next")
            self.cancel_twice_while_it_runs(installer, "http", self.installed("stream.bin.download"))
        self.assertFalse(os.path.exists(self.installed("stream.bin")))

    # -- the end of the dialog ---------------------------------------------------
    def test_a_yes_after_the_finish_leaves_the_installation_complete(self):
        size = 48 * 1024 * 1024
        folder = self.session.drive_c("yesafter")
        write_distribution(folder, {"last.txt": b"last"}, ["I,big.bin,%d,1.0.0.0" % size, "I,last.txt,4,1.0.0.0"])
        with open(os.path.join(folder, "big.bin"), "wb") as f:
            f.truncate(size)
        installer = self.walk_to_ready(["/url", "file:C:\\yesafter"])
        self.session.press("next")
        self.session.driver("wait-text", 1006, "Reading data...", 60, timeout=60)
        self.session.driver("click", 2)
        self.assertEqual(self.session.wait_msgbox(20)["text"], QUESTION)
        # The installation goes on under the question and ends.
        deadline = time.time() + 60
        while not os.path.exists(self.installed("last.txt")) and time.time() < deadline:
            time.sleep(0.1)
        self.assertTrue(os.path.exists(self.installed("last.txt")), "the installation ended under the question")
        # The dialog's end hides it; the question stays until answered.
        self.session.driver("wait-progress-gone", 30, timeout=30)
        self.assertEqual(self.session.wait_msgbox(1)["text"], QUESTION)
        self.session.answer_msgbox(6)
        self.session.wait_page(FINISH, timeout=30)
        self.assertEqual(self.session.text(1006), SUCCESS)
        self.finish(installer)

    def test_a_cancel_inside_a_registration_ends_the_walk(self):
        files = {"asks.dll": fixture("selfreg_window.dll"), "ok.dll": fixture("selfreg_ok.dll")}
        self.session.reg_delete(TEST_KEY)
        write_distribution(self.session.drive_c("nested"), files,
                           ["I,asks.dll,%d,1.0.0.0" % len(files["asks.dll"]),
                            "I,ok.dll,%d,1.0.0.0" % len(files["ok.dll"]), "R,asks.dll", "R,ok.dll"])
        installer = self.walk_to_ready(["/url", "file:C:\\nested"])
        self.session.press("next")
        # The component's own box runs a message loop inside the walk; the
        # click on Cancel is handled there.
        self.session.driver("wait-title", "Fixture Registration", 60, timeout=60)
        self.session.driver("click", 2)
        self.assertEqual(self.session.wait_msgbox(20)["text"], QUESTION)
        self.session.answer_msgbox(6)
        self.session.driver("answer-title", "Fixture Registration", 1)
        self.session.wait_page(FINISH, timeout=30)
        self.assertEqual(self.session.text(1006), FAILURE)
        self.finish(installer)
        self.assertEqual(self.session.reg_query(TEST_KEY, "LibraryWindow"), "DllRegisterServer")
        self.assertIsNone(self.session.reg_query(TEST_KEY, "LibraryOk"), "no record is acted on after the Cancel")


if __name__ == "__main__":
    unittest.main(verbosity=2)
