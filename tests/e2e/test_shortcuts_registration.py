"""Shortcuts, self-registration and what the installer leaves for everyone
to write: the L and R records and the finishing after the wizard."""

import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.case import FINISH, InstallTestCase  # noqa: E402
from zorvtest.distribution import write_distribution  # noqa: E402
from zorvtest.session import WIN32_DIR  # noqa: E402

FIXTURES = os.path.join(WIN32_DIR, "tests", "fixtures")
COMPONENTS = os.path.join(FIXTURES, "components")
PROGRAMS = r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs"
TEST_KEY = r"HKCU\Software\ZorvTest"
SUCCESS = "Installation of ZORV Client V3 successfully completed!"
FAILURE = "Installation of ZORV Client V3 terminated with errors!"
NO_INI_BOX = "GetNamedSecurityInfo(%s\\client\\zorvc.ini): Error 2"


def fixture(name):
    with open(os.path.join(COMPONENTS, name), "rb") as f:
        return f.read()


class ShortcutTest(InstallTestCase):

    def setUp(self):
        shutil.rmtree(self.installed(), ignore_errors=True)

    def read_link(self, windows_path):
        out = self.session.wine([os.path.join(FIXTURES, "inspect.exe"), "lnk", windows_path]).stdout
        fields = dict(line.split("=", 1) for line in out.decode("cp1252").replace("\r", "").splitlines() if "=" in line)
        return fields

    def test_shortcuts_with_arguments_icons_and_the_first_wipe(self):
        menu = self.session.unix_path(PROGRAMS + "\\ZORV Client V3")
        os.makedirs(os.path.join(menu, "Old Folder"), exist_ok=True)
        for stale in ("stale.lnk", os.path.join("Old Folder", "inner.txt")):
            with open(os.path.join(menu, stale), "w") as f:
                f.write("old")
        other = self.session.unix_path(PROGRAMS + "\\Other")
        os.makedirs(other, exist_ok=True)
        with open(os.path.join(other, "keep.lnk"), "w") as f:
            f.write("keep")
        app = fixture("ver_1_2_3_4.dll")
        write_distribution(self.session.drive_c("links"), {"app.exe": app}, [
            "I,app.exe,%d,1.2.3.4,client" % len(app),
            "L,app.exe -tray,client,ZORV Client V3,ZORV Client",
            "L,app.exe /tray /x -y,client,ZORV Client V3,Tray,2",
            "L,app.exe,client,Other,Second",
        ])
        installer, text = self.install(["/url", "file:C:\\links"])
        self.assertEqual(text, SUCCESS)
        self.finish(installer)
        self.assertEqual(sorted(os.listdir(menu)), ["Tray.lnk", "ZORV Client.lnk"],
                         "the first menu folder is emptied once, files and folders")
        self.assertTrue(os.path.exists(os.path.join(other, "keep.lnk")), "a later menu folder only gains")
        target = self.INSTALL_FOLDER + "\\client\\app.exe"
        first = self.read_link(PROGRAMS + "\\ZORV Client V3\\ZORV Client.lnk")
        self.assertEqual(first["target"].lower(), target.lower())
        self.assertEqual(first["arguments"], "-tray")
        self.assertEqual(first["icon"], ",0")
        second = self.read_link(PROGRAMS + "\\ZORV Client V3\\Tray.lnk")
        self.assertEqual(second["arguments"], "-y", "the first \" -\" wins over an earlier \" /\"")
        # The shell link object writes the target's slashes as backslashes.
        self.assertEqual(second["target"].lower().replace("\\", "/"), (target + " /tray /x").lower().replace("\\", "/"))
        self.assertTrue(second["icon"].endswith(",2"), second["icon"])
        third = self.read_link(PROGRAMS + "\\Other\\Second.lnk")
        self.assertEqual(third["arguments"], "")

    def test_an_installation_folder_with_a_dash_keeps_whole_targets(self):
        key = r"HKLM\Software\Microsoft\Windows\CurrentVersion"
        self.session.reg_add(key, "ProgramFilesDir", "REG_SZ", "C:\\Apps - Work")
        try:
            app = fixture("ver_1_2_3_4.dll")
            write_distribution(self.session.drive_c("dash"), {"app.exe": app}, [
                "I,app.exe,%d,1.2.3.4,client" % len(app), "L,app.exe /min,client,Dash Menu,Dash"])
            installer, text = self.install(["/url", "file:C:\\dash"])
            self.assertEqual(text, SUCCESS)
            self.finish(installer)
        finally:
            self.session.reg_add(key, "ProgramFilesDir", "REG_SZ", "C:\\Program Files")
        link = self.read_link(PROGRAMS + "\\Dash Menu\\Dash.lnk")
        self.assertEqual(link["target"].lower(), "c:\\apps - work\\brenix\\zorv3\\client\\app.exe")
        self.assertEqual(link["arguments"], "/min")

    def test_menu_folders_outside_the_programs_folder_are_refused(self):
        victim = self.session.drive_c("victim")
        os.makedirs(victim, exist_ok=True)
        with open(os.path.join(victim, "precious.txt"), "w") as f:
            f.write("precious")
        write_distribution(self.session.drive_c("escape"), {}, [
            "L,app.exe,client,..\\..\\..\\..\\..\\..\\victim,Evil",
            "L,app.exe,client,C:\\victim,Evil",
            "L,app.exe,client,Fine,..\\..\\Evil",
            "L,app.exe,client,Fine,Good",
        ])
        installer, text = self.install(["/url", "file:C:\\escape"])
        self.assertEqual(text, FAILURE)
        self.finish(installer)
        self.assertEqual(os.listdir(victim), ["precious.txt"])
        self.assertTrue(os.path.exists(self.session.unix_path(PROGRAMS + "\\Fine\\Good.lnk")))


class RegistrationTest(InstallTestCase):

    def setUp(self):
        shutil.rmtree(self.installed(), ignore_errors=True)
        self.session.reg_delete(TEST_KEY)

    def test_libraries_and_programs_register_themselves(self):
        planted = self.session.drive_c("Program.exe")
        shutil.copy(os.path.join(COMPONENTS, "planted_program.exe"), planted)
        try:
            files = {"selfreg_ok.dll": fixture("selfreg_ok.dll"), "regprog.exe": fixture("selfreg_program.exe")}
            write_distribution(self.session.drive_c("reg"), files, [
                "I,selfreg_ok.dll,%d,1.0.0.0,client" % len(files["selfreg_ok.dll"]),
                "I,regprog.exe,%d,1.0.0.0,client" % len(files["regprog.exe"]),
                "R,selfreg_ok.dll,client", "R,regprog.exe,client", "R,missing.dll,client"])
            installer, text = self.install(["/url", "file:C:\\reg"])
            self.assertEqual(text, SUCCESS, "a library that does not load is passed over")
            self.finish(installer)
        finally:
            os.remove(planted)
        self.assertEqual(self.session.reg_query(TEST_KEY, "LibraryOk"), "DllRegisterServer")
        program = self.INSTALL_FOLDER + "\\client\\regprog.exe"
        for _ in range(100):   # the program registers itself in a process of its own
            if self.session.reg_query(TEST_KEY, "ProgramArguments") is not None:
                break
            subprocess.run(["sleep", "0.1"])
        self.assertEqual(self.session.reg_query(TEST_KEY, "ProgramArguments"), "/RegServer")
        self.assertEqual((self.session.reg_query(TEST_KEY, "ProgramPath") or "").lower(), program.lower())
        self.assertIsNone(self.session.reg_query(TEST_KEY, "PlantedPath"), "C:\\Program.exe must never run")

    def test_a_failing_registration_marks_the_installation_failed(self):
        files = {"selfreg_fails.dll": fixture("selfreg_fails.dll")}
        write_distribution(self.session.drive_c("regfail"), files, [
            "I,selfreg_fails.dll,%d,1.0.0.0" % len(files["selfreg_fails.dll"]), "R,selfreg_fails.dll"])
        installer, text = self.install(["/url", "file:C:\\regfail"])
        self.assertEqual(text, FAILURE)
        self.finish(installer)
        self.assertEqual(self.session.reg_query(TEST_KEY, "LibraryFails"), "DllRegisterServer")

    def test_no_reg_skips_shortcuts_registration_and_held_objects(self):
        files = {"selfreg_ok.dll": fixture("selfreg_ok.dll")}
        write_distribution(self.session.drive_c("noreg"), files, [
            "I,selfreg_ok.dll,%d,1.0.0.0" % len(files["selfreg_ok.dll"]), "R,selfreg_ok.dll",
            "L,selfreg_ok.dll,,NoReg Menu,Link", "H,Not.Registered.Class"])
        installer, text = self.install(["/url", "file:C:\\noreg", "/no-reg"])
        self.assertEqual(text, SUCCESS)
        self.finish(installer)
        self.assertIsNone(self.session.reg_query(TEST_KEY, "LibraryOk"))
        self.assertFalse(os.path.exists(self.session.unix_path(PROGRAMS + "\\NoReg Menu")))


class ClientFilesTest(InstallTestCase):

    def everyone_mask(self, path):
        out = self.session.wine([os.path.join(FIXTURES, "inspect.exe"), "everyone", path]).stdout.decode()
        return int(out.strip().split("=")[1], 16)

    def test_client_files_exist_keep_their_contents_and_everyone_may_write(self):
        shutil.rmtree(self.installed(), ignore_errors=True)
        client = self.installed("client")
        os.makedirs(client)
        with open(os.path.join(client, "zorvc.log"), "w") as f:
            f.write("old log")
        with open(os.path.join(client, "zorvc.ini"), "w") as f:
            f.write("[x]\n")
        os.chmod(client, 0o700)
        for name in ("zorvc.log", "zorvc.ini"):
            os.chmod(os.path.join(client, name), 0o600)
        base = self.INSTALL_FOLDER + "\\client"
        before = {name: self.everyone_mask(base + "\\" + name) for name in ("zorvc.log", "zorvc.ini")}
        write_distribution(self.session.drive_c("plain"), {}, ["T,0"])
        installer, text = self.install(["/url", "file:C:\\plain"])
        self.assertEqual(text, SUCCESS)
        self.session.press("finish")
        self.session.driver("wait-gone", 30, timeout=30)
        self.session.driver("no-msgbox")
        self.assertEqual(installer.wait(60), 0)
        with open(os.path.join(client, "zorvc.log")) as f:
            self.assertEqual(f.read(), "old log")
        for name in ("zorvc.ini.bak", "trusted.cas"):
            self.assertEqual(os.path.getsize(os.path.join(client, name)), 0)
        for name in ("zorvc.log", "zorvc.ini", "zorvc.ini.bak", "trusted.cas"):
            mask = self.everyone_mask(base + "\\" + name)
            self.assertEqual(mask & 0x2, 0x2, "Everyone may write %s (mask %#x)" % (name, mask))
        for name, old in before.items():
            self.assertNotEqual(self.everyone_mask(base + "\\" + name), old, name)
        self.assertEqual(self.everyone_mask(base) & 0x2, 0x2)

        # A second run adds no second entry and shows nothing.
        installer, text = self.install(["/url", "file:C:\\plain"])
        self.session.press("finish")
        self.session.driver("wait-gone", 30, timeout=30)
        self.session.driver("no-msgbox")
        self.assertEqual(installer.wait(60), 0)

    def test_a_missing_configuration_file_shows_exactly_one_box(self):
        shutil.rmtree(self.installed(), ignore_errors=True)
        write_distribution(self.session.drive_c("plain2"), {}, ["T,0"])
        installer, text = self.install(["/url", "file:C:\\plain2"])
        self.session.press("finish")
        box = self.session.wait_msgbox(30)
        self.assertEqual(box["text"], NO_INI_BOX % self.INSTALL_FOLDER)
        self.assertFalse(box["icon"], "the access errors show no icon")
        self.session.answer_msgbox(1)
        self.session.driver("wait-msgbox-gone", 10, timeout=10)
        self.assertEqual(installer.wait(60), 0, "exactly one box")


class FinishPageTest(InstallTestCase):
    TEXTS = {
        None: {12: "Installation of ZORV Client V3 terminated with errors!",
               13: "To complete the installation of ZORV Client V3 you need to restart the system!",
               14: "Reboot now!", 15: "Installation of ZORV Client V3 successfully completed!"},
        "de": {12: "Fehler: Installation des ZORV Client V3 ist fehlgeschlagen!",
               13: "Um die Installation des ZORV Client V3 zu vervollständigen, muss Windows neu gestartet werden!",
               14: "Jetzt Windows neu starten!", 15: "Installation des ZORV Client V3 erfolgreich abgeschlossen!"},
    }
    RUNONCE = r"HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce"

    def test_every_result_in_english_and_german(self):
        write_distribution(self.session.drive_c("ok"), {}, ["T,0"])
        write_distribution(self.session.drive_c("bad"), {}, ["I,missing-fields"])
        for language in (None, "de"):
            texts = self.TEXTS[language]
            for dist, boot, shown, reboot in (("bad", True, 12, False), ("ok", True, 13, True),
                                              ("ok", False, 15, False)):
                with self.subTest(language=language, dist=dist, boot=boot):
                    self.session.reg_delete(self.RUNONCE, "zorv")
                    args = ["/url", "file:C:\\" + dist] + (["/boot"] if boot else [])
                    installer, text = self.install(args, language=language)
                    self.assertEqual(text, texts[shown])
                    self.assertEqual(self.session.driver("visible", 1014), "1" if reboot else "0")
                    if reboot:
                        self.assertEqual(self.session.text(1014), texts[14])
                        self.assertEqual(self.session.driver("checked", 1014), "1")
                        self.session.screenshot("finish-%s-restart" % (language or "en"))
                        self.session.driver("click", 1014)
                    self.assertEqual(self.session.driver("buttons").split(),
                                     ["back=0", "next=0", "finish=1", "cancel=1"])
                    self.finish(installer)
                    run_once = self.session.reg_query(self.RUNONCE, "zorv")
                    if reboot:
                        self.assertTrue(run_once and run_once.endswith('" -afterboot'), run_once)
                    else:
                        self.assertIsNone(run_once)


if __name__ == "__main__":
    unittest.main(verbosity=2)
