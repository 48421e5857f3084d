"""Base class for end-to-end test modules: one Wine session per module."""

import os
import time
import unittest

from zorvtest.session import INSTALLER, WIN32_DIR, WineSession

USAGE_TEXT = "Usage: installer [ /url http://... | /url file:... ] [ /all ] [ /no-reg ]\n"

WELCOME, PROXY, READY, PROGRESS, FOLDER, FINISH = 102, 103, 104, 105, 106, 107

# The finish page's result texts.
SUCCESS = "Installation of ZORV Client V3 successfully completed!"
FAILURE = "Installation of ZORV Client V3 terminated with errors!"

COMPONENTS = os.path.join(WIN32_DIR, "tests", "fixtures", "components")


def fixture(name):
    """The bytes of a fixture component built for the tests."""
    with open(os.path.join(COMPONENTS, name), "rb") as f:
        return f.read()


class SessionTestCase(unittest.TestCase):
    session = None
    # The executable the wizard moves start; SIGNED_INSTALLER for the key-built one.
    EXECUTABLE = INSTALLER

    @classmethod
    def setUpClass(cls):
        cls.session = WineSession(cls.__module__ + "." + cls.__name__, cls.EXECUTABLE)
        try:
            cls.session.start()
        except BaseException:
            cls.session.stop()
            raise

    @classmethod
    def tearDownClass(cls):
        if cls.session is not None:
            cls.session.stop()

    def tearDown(self):
        # A test that failed half-way leaves no installer behind for the next one.
        for installer in self.session.installers:
            installer.kill()
        self.session.installers.clear()

    # -- common moves ------------------------------------------------------------
    def start_wizard(self, args=(), language=None, page=WELCOME, **start):
        """start: more arguments of WineSession.start_installer (exe, dll_overrides)."""
        installer = self.session.start_installer(args, language=language, **start)
        self.session.driver("wait-sheet", 30, timeout=30)
        self.session.wait_page(page)
        return installer

    def cancel_wizard(self, installer):
        """Cancels the wizard; the finishing after it may report, one box per
        client file, that the installation folder has no client folder."""
        self.session.press("cancel")
        self.session.driver("wait-gone", 20, timeout=20)
        for text in self.answer_remaining_boxes(installer):
            self.assertRegex(text, r"^GetNamedSecurityInfo\(.*\\client.*\): Error \d+$")
        self.assertEqual(installer.wait(30), 0)

    def answer_remaining_boxes(self, installer, timeout=60):
        """Answers every message box until the installer ends; returns their
        texts. Each look for a box is short, so that the end of the process
        is seen soon after it comes."""
        texts = []
        deadline = time.time() + timeout
        while installer.running() and time.time() < deadline:
            try:
                box = self.session.wait_msgbox(0.1)
            except AssertionError:
                continue   # none showing yet; the installer may be ending
            texts.append(box["text"])
            self.session.answer_msgbox(1)
        return texts

class InstallTestCase(SessionTestCase):
    """Walks the wizard into an installation and out of it."""

    INSTALL_FOLDER = "C:\\Program Files\\Brenix\\ZORV3"

    def walk_to_ready(self, args=(), language=None, **start):
        offset = self.offset(language)
        installer = self.start_wizard(args, language=language, page=WELCOME + offset, **start)
        for page in (FOLDER, PROXY, READY):
            self.session.press("next")
            self.session.wait_page(page + offset)
        return installer

    def install(self, args=(), timeout=180, language=None, before_next=None, **start):
        """Runs one installation to the finish page; returns (installer, finish text)."""
        installer = self.walk_to_ready(args, language=language, **start)
        if before_next is not None:
            before_next()
        self.session.press("next")
        self.session.wait_page(FINISH + self.offset(language), timeout=timeout)
        return installer, self.session.text(1006)

    def cancel_stopped_installation(self):
        """Cancel on a progress dialog whose walk has stopped: it closes at
        once, without the question; returns the finish page's text."""
        self.session.driver("click", 2)
        self.session.driver("wait-progress-gone", 20, timeout=20)
        self.session.driver("no-msgbox")
        self.session.wait_page(FINISH)
        return self.session.text(1006)

    def finish(self, installer):
        self.session.press("finish")
        self.session.driver("wait-gone", 30, timeout=30)
        self.answer_remaining_boxes(installer)
        self.assertEqual(installer.wait(60), 0)

    @staticmethod
    def offset(language):
        return {"de": 1000, "fr": 2000}.get(language, 0)

    def installed(self, *parts):
        return os.path.join(self.session.unix_path(self.INSTALL_FOLDER), *parts)
