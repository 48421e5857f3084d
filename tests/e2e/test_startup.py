"""Start-up: command line, single instance, languages, start page, cancel."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.case import (FINISH, FOLDER, PROXY, READY, USAGE_TEXT, WELCOME,  # noqa: E402
                           SessionTestCase)


class StartupTest(SessionTestCase):

    def expect_usage_box(self, args):
        installer = self.session.start_installer(args)
        box = self.session.wait_msgbox(30)
        self.assertEqual(box["text"], USAGE_TEXT, "usage text for %r" % (args,))
        self.assertTrue(box["icon"], "the usage box shows an icon")
        self.assertEqual(box["buttons"], [1], "the usage box has OK only")
        self.assertFalse(self.session.driver_ok("wait-sheet", 0.5, timeout=5), "no wizard with the usage box")
        self.session.answer_msgbox(1)
        self.answer_remaining_boxes(installer)
        self.assertEqual(installer.wait(30), 0)
        self.assertFalse(self.session.driver_ok("wait-sheet", 0.5, timeout=5), "no wizard after the usage box")

    def test_rejected_command_lines_show_the_usage_box(self):
        for args in (["/bogus"], ["--all"], ["/url", "ftp://host/x"], ["/boot", "/frobnicate"],
                     ["/all", "x" * 1100], ["/url", "http://h/" + "p" * 600]):
            with self.subTest(args=args[:2]):
                self.expect_usage_box(args)

    def test_accepted_command_lines_open_the_wizard(self):
        for args in (["/ALL"], ["-all"], ["/url", "file:C:\\Dist"], ["/url", "file:C:\\My Dist", "/all"],
                     ["/all", "/url"], ["stray-word"]):
            with self.subTest(args=args):
                installer = self.start_wizard(args)
                self.session.driver("no-msgbox")
                self.cancel_wizard(installer)

    def test_second_instance_ends_silently_and_the_first_goes_on(self):
        first = self.start_wizard()
        second = self.session.start_installer()
        self.assertEqual(second.wait(30), 0)
        self.assertTrue(first.running())
        self.session.driver("no-msgbox")
        self.assertEqual(self.session.page(), WELCOME)
        self.cancel_wizard(first)

    def test_afterboot_opens_on_the_finish_page(self):
        installer = self.start_wizard(["-afterboot"], page=FINISH)
        self.assertIn("finish=1", self.session.driver("buttons"))
        self.session.press("finish")
        self.session.driver("wait-gone", 20, timeout=20)
        self.answer_remaining_boxes(installer)
        self.assertEqual(installer.wait(30), 0)

    def test_cancel_on_the_welcome_page_ends_with_zero(self):
        installer = self.start_wizard()
        self.assertEqual(self.session.driver("buttons").split(), ["back=0", "next=1", "finish=0", "cancel=1"])
        self.session.press("cancel")
        self.session.driver("wait-gone", 20, timeout=20)
        # The finishing runs over the default folder, which has no client
        # folder in a fresh prefix: one box for each of its five paths.
        texts = self.answer_remaining_boxes(installer)
        folder = "C:\\Program Files\\Brenix\\ZORV3\\client"
        self.assertEqual(texts, ["GetNamedSecurityInfo(%s%s): Error 3" % (folder, suffix)
                                 for suffix in ("", "\\zorvc.log", "\\zorvc.ini", "\\zorvc.ini.bak",
                                                "\\trusted.cas")])
        self.assertEqual(installer.wait(30), 0)

    def test_pages_in_order_with_a_screenshot_of_each(self):
        installer = self.start_wizard()
        self.session.screenshot("en-welcome")
        for page, name in ((FOLDER, "folder"), (PROXY, "proxy"), (READY, "ready")):
            self.session.press("next")
            self.session.wait_page(page)
            self.assertIn("back=1 next=1", self.session.driver("buttons"))
            self.session.screenshot("en-" + name)
        self.session.press("back")
        self.session.wait_page(PROXY)
        self.cancel_wizard(installer)


class LanguageTest(SessionTestCase):

    def test_german_french_and_other_languages(self):
        cases = (
            ("de", 1000, "Dieses Programm installiert die neuste Version des ZORV Client V3"),
            ("fr", 2000, "Ce programme installera la nouvelle version de ZORV Client V3"),
            (None, 0, "This program will install the newest version of the ZORV Client V3"),
        )
        for language, offset, welcome_text in cases:
            with self.subTest(language=language):
                installer = self.start_wizard(language=language, page=WELCOME + offset)
                self.session.driver("wait-text", 65535, welcome_text, 10)
                self.session.screenshot("%s-welcome" % (language or "en"))
                self.session.press("next")
                self.session.wait_page(FOLDER + offset)
                self.session.press("next")
                self.session.wait_page(PROXY + offset)
                self.session.screenshot("%s-proxy" % (language or "en"))
                self.cancel_wizard(installer)


if __name__ == "__main__":
    unittest.main(verbosity=2)
