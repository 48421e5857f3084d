"""The sample distribution installed against the sample client: every record
type, what a second run fetches, the folder page's detection, the exit
broadcast, the configuration hand-over and the installation stamp."""

import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.case import FOLDER, InstallTestCase  # noqa: E402
from zorvtest.distribution import digest_tree  # noqa: E402
from zorvtest.sample import SAMPLE_KEY, Journal, copy_distribution  # noqa: E402

SUCCESS = "Installation of ZORV Client V3 successfully completed!"
PROGRAMS = r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs"
VERSIONED = ("client/zorvclient.dll", "client/zorvc.exe", "client/zorvcore.dll", "zorvui.dll")


def wait_until(predicate, timeout, what):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if predicate():
            return
        time.sleep(0.1)
    raise AssertionError("timed out: " + what)


class SampleClientTest(InstallTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.distribution = copy_distribution(cls.session, "sample")

    def journal(self):
        return Journal(self.installed("client"))

    def run_sample_install(self, extra=()):
        installer, text = self.install(["/url", "file:C:\\sample"] + list(extra))
        self.assertEqual(text, SUCCESS)
        self.finish(installer)

    def start_sample_app(self, windows_folder):
        journal = Journal(self.session.unix_path(windows_folder))
        mark = journal.mark()
        app = self.session.start_program([self.session.unix_path(windows_folder + "\\zorvc.exe")])
        wait_until(lambda: "zorvc started" in journal.since(mark), 30, "the sample application started")
        return app, journal

    def test_1_first_installation_uses_every_record_type(self):
        running = self.session.drive_c("running")
        os.makedirs(running, exist_ok=True)
        with open(os.path.join(self.distribution, "zorvc.exe"), "rb") as src, \
                open(os.path.join(running, "zorvc.exe"), "wb") as dst:
            dst.write(src.read())
        app, app_journal = self.start_sample_app("C:\\running")
        started = int(time.time())

        self.run_sample_install()

        self.assertEqual(app.wait(30), 0, "the exit broadcast ends a running client")
        self.assertIn("zorvc exit broadcast", app_journal.lines())
        for name in ("zorvclient.dll", "zorvc.exe", "zorvcore.dll"):
            with open(os.path.join(self.distribution, name), "rb") as a, open(self.installed("client", name), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)
        for name in ("zorvui.dll", "readme.txt"):
            self.assertTrue(os.path.isfile(self.installed(name)), name)
        self.assertTrue(os.path.isfile(self.installed("client", "zorv3.lst")))
        self.assertFalse(os.path.exists(self.installed("client", "site.cnf")), "imported, then deleted")
        self.assertTrue(os.path.isfile(self.session.drive_c("windows", "system32", "zorvsys.dll")))
        self.assertFalse(os.path.exists(self.installed("system", "zorvsys.dll")))
        for link in ("ZORV Client V3\\ZORV Client V3.lnk", "ZORV Client V3\\ZORV Client V3 (tray).lnk",
                     "ZORV Client V3\\Documents\\Read me.lnk"):
            self.assertTrue(os.path.isfile(self.session.unix_path(PROGRAMS + "\\" + link)), link)

        journal = self.journal().lines()
        self.assertIn("DllRegisterServer", journal, "the library registered itself during the walk")
        self.assertIn("ImportConfigFile site.cnf ok", journal)
        self.assertFalse([l for l in journal if l.startswith("SetValue http proxy")], "no proxy was chosen")
        self.assertFalse([l for l in journal if l.startswith("SetValue installer origin")], "file: has no origin")
        stamps = [l for l in journal if l.startswith("SetValue installer tstamp I4 ")]
        self.assertEqual(len(stamps), 1, journal)
        self.assertLessEqual(abs(int(stamps[0].split()[-1]) - started), 120)
        self.assertIn("[site]", open(self.installed("client", "zorvc.ini")).read())
        registered = self.session.reg_query(SAMPLE_KEY, "RegServer") or ""
        self.assertTrue(registered.lower().endswith("\\client\\zorvc.exe"), registered)

    def test_2_second_run_fetches_only_what_changed(self):
        before = digest_tree(self.installed())
        self.run_sample_install()
        after = digest_tree(self.installed())
        for name in VERSIONED:
            self.assertEqual(before[name], after[name], "%s is current and stays untouched" % name)
        self.assertNotEqual(before["readme.txt"][2:], after["readme.txt"][2:], "no version resource: fetched again")
        self.assertNotEqual(before["client/zorv3.lst"][2:], after["client/zorv3.lst"][2:])

        # A component whose installed size differs is fetched again.
        with open(self.installed("client", "zorvcore.dll"), "ab") as f:
            f.write(b"damage")
        self.run_sample_install()
        with open(os.path.join(self.distribution, "zorvcore.dll"), "rb") as a, \
                open(self.installed("client", "zorvcore.dll"), "rb") as b:
            self.assertEqual(a.read(), b.read())
        self.assertEqual(digest_tree(self.installed())["zorvui.dll"], after["zorvui.dll"])

    def test_3_folder_page_finds_the_installed_client_and_stops_it(self):
        app, _ = self.start_sample_app(self.INSTALL_FOLDER + "\\client")
        self.session.reg_add(SAMPLE_KEY, "ClientPath", "REG_SZ", "C:\\Apps\\ZORV3\\client")
        mark = self.journal().mark()
        try:
            installer = self.start_wizard()
            self.session.press("next")
            self.session.wait_page(FOLDER)
            self.assertEqual(self.session.text(1010), "C:\\Apps\\ZORV3")
            self.assertEqual(self.session.driver("visible", 1011), "1")
            self.session.screenshot("folder-existing-installation")
            self.assertEqual(app.wait(30), 0, "the running client was asked to quit")
            since = self.journal().since(mark)
            self.assertIn("GetClientPath C:\\Apps\\ZORV3\\client", since)
            self.assertIn("IsRunning -1", since)
            self.assertEqual(since.count("Quit"), 1)
            self.session.press("cancel")
            self.session.driver("wait-gone", 20, timeout=20)
            self.answer_remaining_boxes(installer)
            self.assertEqual(installer.wait(60), 0)
        finally:
            self.session.reg_delete(SAMPLE_KEY, "ClientPath")

        # Without a registered client: the default folder, no notice.
        dll = self.INSTALL_FOLDER + "\\client\\zorvclient.dll"
        self.session.wine(["regsvr32", "/s", "/u", dll])
        key = r"HKLM\Software\Microsoft\Windows\CurrentVersion"
        self.session.reg_add(key, "ProgramFilesDir", "REG_SZ", "C:\\Programme")
        try:
            installer = self.start_wizard()
            self.session.press("next")
            self.session.wait_page(FOLDER)
            self.assertEqual(self.session.text(1010), "C:\\Programme\\Brenix\\ZORV3")
            self.assertEqual(self.session.driver("visible", 1011), "0")
            self.session.press("cancel")
            self.session.driver("wait-gone", 20, timeout=20)
            self.answer_remaining_boxes(installer)
            self.assertEqual(installer.wait(60), 0)
        finally:
            self.session.reg_add(key, "ProgramFilesDir", "REG_SZ", "C:\\Program Files")
            self.session.wine(["regsvr32", "/s", dll])

    def test_4_key_files_of_the_sibling_program_and_no_reg(self):
        pelkor = self.session.drive_c("Pelkor")
        os.makedirs(pelkor, exist_ok=True)
        for name, data in (("new.key", "new"), ("both.key", "theirs")):
            with open(os.path.join(pelkor, name), "w") as f:
                f.write(data)
        with open(self.installed("client", "both.key"), "w") as f:
            f.write("mine")
        app_paths = r"HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths"
        self.session.reg_add(app_paths + "\\pelkor3.exe", "", "REG_SZ", "C:\\Elsewhere\\pelkor3.exe")
        self.session.reg_add(app_paths + "\\pelkor.exe", "", "REG_SZ", "C:\\Pelkor\\pelkor.exe")
        self.run_sample_install()
        with open(self.installed("client", "new.key")) as f:
            self.assertEqual(f.read(), "new")
        with open(self.installed("client", "both.key")) as f:
            self.assertEqual(f.read(), "mine", "an existing key file is never overwritten")

        os.remove(self.installed("client", "new.key"))
        mark = self.journal().mark()
        self.run_sample_install(["/no-reg"])
        since = self.journal().since(mark)
        for forbidden in ("SetValue", "ImportConfigFile", "DllRegisterServer"):
            self.assertFalse([l for l in since if l.startswith(forbidden)], "%s under /no-reg: %r" % (forbidden, since))
        self.assertFalse(os.path.exists(self.installed("client", "new.key")), "no key files under /no-reg")
        self.assertTrue(os.path.exists(self.installed("client", "site.cnf")), "no import under /no-reg")


if __name__ == "__main__":
    unittest.main(verbosity=2)
