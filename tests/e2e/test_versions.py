"""Which components are fetched: version texts, sizes, /all, and system
files replaced at once, at the next restart, and on the 9x family."""

import os
import re
import shutil
import stat
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.case import FINISH, InstallTestCase  # noqa: E402
from zorvtest.distribution import digest_tree, write_distribution  # noqa: E402
from zorvtest.session import INSTALLER, WIN32_DIR  # noqa: E402

COMPONENTS = os.path.join(WIN32_DIR, "tests", "fixtures", "components")
FIXTURES = os.path.join(WIN32_DIR, "tests", "fixtures")
SUCCESS = "Installation of ZORV Client V3 successfully completed!"
RESTART = "To complete the installation of ZORV Client V3 you need to restart the system!"
PENDING_KEY = r"HKLM\System\CurrentControlSet\Control\Session Manager"
RUNONCE_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce"
UNIQUE_TEMPORARY = re.compile(r"^zrv[0-9a-f]+\.tmp$", re.IGNORECASE)


def component(version):
    with open(os.path.join(COMPONENTS, "ver_%s.dll" % version.replace(".", "_")), "rb") as f:
        return f.read()


class VersionTest(InstallTestCase):

    def setUp(self):
        shutil.rmtree(self.installed(), ignore_errors=True)

    def run_install(self, name, files, lines, extra=()):
        write_distribution(self.session.drive_c(name), files, lines)
        installer, text = self.install(["/url", "file:C:\\" + name] + list(extra))
        self.finish(installer)
        return text

    def test_version_texts_sizes_and_all(self):
        v1_10, v1_9, v2, v10, v1234 = (component(v) for v in ("1.10.0.0", "1.9.0.0", "2.0.0.0", "10.0.0.0",
                                                              "1.2.3.4"))
        first = {"text.dll": v1_10, "newer.dll": v2, "same.dll": v1234, "plain.txt": b"no version"}
        self.run_install("v1", first, [
            "I,text.dll,%d,1.10.0.0,client" % len(v1_10), "I,newer.dll,%d,2.0.0.0" % len(v2),
            "I,same.dll,%d,1.2.3.4" % len(v1234), "I,plain.txt,10,1.0.0.0"])
        before = digest_tree(self.installed())

        # Same list again: only the list and the file without a version come again.
        self.run_install("v1", first, [
            "I,text.dll,%d,1.10.0.0,client" % len(v1_10), "I,newer.dll,%d,2.0.0.0" % len(v2),
            "I,same.dll,%d,1.2.3.4" % len(v1234), "I,plain.txt,10,1.0.0.0"])
        after = digest_tree(self.installed())
        for name in ("client/text.dll", "newer.dll", "same.dll"):
            self.assertEqual(before[name], after[name], "%s was not fetched again" % name)
        self.assertNotEqual(before["plain.txt"][3:], after["plain.txt"][3:], "no version: fetched on every run")
        self.assertNotEqual(before["client/zorv3.lst"][2:], after["client/zorv3.lst"][2:])

        # Text comparison: installed 1.10.0.0 is older than 1.9.0.0, installed
        # 2.0.0.0 is newer than 10.0.0.0; equal versions with another size are fetched.
        second = {"text.dll": v1_9, "newer.dll": v10, "same.dll": v1234 + b"\0" * 16, "plain.txt": b"no version"}
        self.run_install("v2", second, [
            "I,text.dll,%d,1.9.0.0,client" % len(v1_9), "I,newer.dll,%d,10.0.0.0" % len(v10),
            "I,same.dll,%d,1.2.3.4" % (len(v1234) + 16), "I,plain.txt,10,1.0.0.0"])
        with open(self.installed("client", "text.dll"), "rb") as f:
            self.assertEqual(f.read(), v1_9, "1.10.0.0 sorts before 1.9.0.0 and is replaced")
        with open(self.installed("newer.dll"), "rb") as f:
            self.assertEqual(f.read(), v2, "2.0.0.0 sorts after 10.0.0.0 and stays")
        with open(self.installed("same.dll"), "rb") as f:
            self.assertEqual(len(f.read()), len(v1234) + 16, "equal version, other size: fetched again")

        # /all fetches everything.
        before = digest_tree(self.installed())
        self.run_install("v2", second, [
            "I,text.dll,%d,1.9.0.0,client" % len(v1_9), "I,newer.dll,%d,10.0.0.0" % len(v10)], extra=["/all"])
        after = digest_tree(self.installed())
        self.assertNotEqual(before["newer.dll"][3], after["newer.dll"][3])
        with open(self.installed("newer.dll"), "rb") as f:
            self.assertEqual(f.read(), v10)


class SystemFileTest(InstallTestCase):

    def setUp(self):
        shutil.rmtree(self.installed(), ignore_errors=True)
        self.session.reg_delete(RUNONCE_KEY, "zorv")
        self.session.reg_delete(PENDING_KEY, "PendingFileRenameOperations")

    def system32(self, name):
        return self.session.drive_c("windows", "system32", name)

    def test_unused_system_file_is_replaced_at_once(self):
        data = component("1.2.3.4")
        write_distribution(self.session.drive_c("sys1"), {"zsysone.dll": data},
                           ["M,zsysone.dll,%d,1.2.3.4,sys" % len(data)])
        installer, text = self.install(["/url", "file:C:\\sys1"])
        self.assertEqual(text, SUCCESS)
        self.assertEqual(self.session.driver("visible", 1014), "0")
        self.finish(installer)
        with open(self.system32("zsysone.dll"), "rb") as f:
            self.assertEqual(f.read(), data)
        self.assertFalse(os.path.exists(self.installed("sys", "zsysone.dll")), "moved, not copied")
        self.assertIsNone(self.session.reg_query(RUNONCE_KEY, "zorv"))

        # Current now: the M record ignores the size and downloads nothing.
        write_distribution(self.session.drive_c("sys1"), {"zsysone.dll": data},
                           ["M,zsysone.dll,%d,1.2.3.4,sys" % (len(data) + 1)])
        installer, text = self.install(["/url", "file:C:\\sys1"])
        self.finish(installer)
        self.assertFalse(os.path.exists(self.installed("sys", "zsysone.dll")))

    def everyone_mask(self, windows_path):
        out = self.session.wine([os.path.join(FIXTURES, "inspect.exe"), "everyone", windows_path]).stdout.decode()
        return int(out.strip().split("=")[1], 16)

    def unique_temporaries(self):
        return [n for n in os.listdir(self.session.drive_c("windows", "system32")) if UNIQUE_TEMPORARY.match(n)]

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def test_system_file_in_use_is_scheduled_for_the_restart(self):
        # Also: zsystwo.dll and zsystwo.dlx never wait under one temporary
        # name; files moved into the system folder take that folder's list;
        # the installation folder the installer creates takes the program
        # files folder's list, not the one of the folder it lies in; the
        # restart entry names a copy in the installation folder.
        old, new, other, own = (component(v) for v in ("1.2.3.4", "2.0.0.0", "1.9.0.0", "1.10.0.0"))
        with open(self.system32("zsystwo.dll"), "wb") as f:
            f.write(old)
        for name in self.unique_temporaries():
            os.remove(self.system32(name))
        program_files = self.session.drive_c("Program Files")
        system32 = self.session.drive_c("windows", "system32")
        modes = {path: stat.S_IMODE(os.stat(path).st_mode) for path in (program_files, system32)}
        # Brenix stands for a folder every user may write, such as a drive's root.
        brenix = self.session.drive_c("Program Files", "Brenix")
        os.makedirs(brenix, exist_ok=True)
        os.chmod(brenix, 0o777)
        # The installer as a user downloaded it, in a folder of its own.
        downloads = self.session.drive_c("users", "Public", "Downloads")
        os.makedirs(downloads, exist_ok=True)
        downloaded = os.path.join(downloads, "installer.exe")
        shutil.copy(INSTALLER, downloaded)
        holder = self.session.start_program([os.path.join(FIXTURES, "hold_open.exe"),
                                             "C:\\windows\\system32\\zsystwo.dll", "120"])
        write_distribution(self.session.drive_c("sys2"), {"zsysown.dll": own, "zsystwo.dll": new,
                                                          "zsystwo.dlx": other}, [
            "M,zsysown.dll,%d,1.10.0.0,sys" % len(own),
            "M,zsystwo.dll,%d,2.0.0.0,sys" % len(new),
            "M,zsystwo.dlx,%d,1.9.0.0,sys" % len(other)])
        try:
            # Lists that give Everyone nothing: an entry of Everyone read back
            # later came from elsewhere.
            os.chmod(program_files, 0o700)
            os.chmod(system32, 0o750)
            installer, text = self.install(["/url", "file:C:\\sys2"], exe=downloaded)
            self.assertEqual(text, RESTART)
            self.assertEqual(self.session.driver("visible", 1014), "1")
            self.assertEqual(self.session.driver("checked", 1014), "1")
            self.assertEqual(self.session.text(1014), "Reboot now!")
            self.session.screenshot("finish-restart-pending")
            self.session.driver("click", 1014)   # no restart now; the run-once entry stays
            self.finish(installer)
            holder.kill()
            holder.wait(10)

            self.assertEqual(self.everyone_mask("C:\\Program Files"), 0)
            self.assertEqual(self.everyone_mask(self.INSTALL_FOLDER), 0,
                             "the created folder has the program files folder's list")
            self.assertEqual(stat.S_IMODE(os.stat(brenix).st_mode), 0o777, "an existing folder keeps its list")
            self.assertEqual(self.read(self.system32("zsysown.dll")), own, "not in use: replaced at once")

            pending = self.session.reg_query(PENDING_KEY, "PendingFileRenameOperations") or ""
            self.assertIn("zsystwo.dl$", pending)
            unique = self.unique_temporaries()
            self.assertEqual(len(unique), 1, "zsystwo.dlx waits under a name of its own: %r" % pending)
            self.assertIn(unique[0].lower(), pending.lower())
            self.assertEqual(self.read(self.system32("zsystwo.dl$")), new)
            self.assertEqual(self.read(self.system32(unique[0])), other)
            self.assertEqual(self.read(self.system32("zsystwo.dll")), old,
                             "the file in use is replaced only at the restart")
            for name in ("zsysown.dll", "zsystwo.dl$", unique[0]):
                self.assertEqual(self.everyone_mask("C:\\windows\\system32\\" + name), 0,
                                 "%s has the system folder's list, not the download's" % name)
                self.assertEqual(os.stat(self.system32(name)).st_mode & 0o007, 0, name)

            # The restart carries both replacements out.
            self.session.wine(["wineboot", "-r"], timeout=120)
            self.assertEqual(self.read(self.system32("zsystwo.dll")), new)
            self.assertEqual(self.read(self.system32("zsystwo.dlx")), other)
            self.assertFalse(os.path.exists(self.system32("zsystwo.dl$")))
            self.assertEqual(self.unique_temporaries(), [])
            self.assertEqual(self.everyone_mask("C:\\windows\\system32\\zsystwo.dlx"), 0)

            # The entry names a copy in the installation folder; whatever
            # replaces the downloaded file afterwards is never started.
            run_once = self.session.reg_query(RUNONCE_KEY, "zorv")
            self.assertEqual(run_once, '"%s\\installer.exe" -afterboot' % self.INSTALL_FOLDER)
            copy = self.installed("installer.exe")
            self.assertEqual(self.read(copy), self.read(INSTALLER))
            with open(downloaded, "wb") as f:
                f.write(b"replaced by another user")
            exe = run_once.split('"')[1]
            after = self.session.start_installer(["-afterboot"], exe=self.session.unix_path(exe))
            self.session.driver("wait-sheet", 30, timeout=30)
            self.session.wait_page(FINISH)
            self.assertEqual(self.session.text(1006), SUCCESS)
            self.finish(after)

            # Files planted under the copy's names are never written into.
            kept = os.path.join(self.session.root, "kept-copy")
            shutil.rmtree(kept, ignore_errors=True)
            os.makedirs(kept)
            planted = {}
            for name in ("installer.exe", "installer.exe.new"):
                path = self.installed(name)
                if os.path.exists(path):
                    os.remove(path)
                with open(path, "wb") as f:
                    f.write(b"planted " + name.encode())
                os.link(path, os.path.join(kept, name))
                planted[name] = os.stat(path).st_ino
            shutil.copy(INSTALLER, downloaded)
            self.restart_entry_after_boot_option(downloaded)
            self.assertEqual(self.read(copy), self.read(INSTALLER))
            self.assertNotIn(os.stat(copy).st_ino, planted.values())
            self.assertFalse(os.path.exists(self.installed("installer.exe.new")))
            for name in planted:
                self.assertEqual(self.read(os.path.join(kept, name)), b"planted " + name.encode(),
                                 "%s was written into" % name)

            # Without an installation folder the copy makes it, as an installation would.
            shutil.rmtree(self.installed())
            self.restart_entry_after_boot_option(downloaded)
            self.assertEqual(self.read(copy), self.read(INSTALLER))
            self.assertEqual(self.everyone_mask(self.INSTALL_FOLDER), 0)
        finally:
            for path, mode in modes.items():
                os.chmod(path, mode)
            os.chmod(brenix, 0o755)

    def restart_entry_after_boot_option(self, exe):
        """-afterboot /boot: the finish page at once, with a restart pending."""
        self.session.reg_delete(RUNONCE_KEY, "zorv")
        installer = self.session.start_installer(["-afterboot", "/boot"], exe=exe)
        self.session.driver("wait-sheet", 30, timeout=30)
        self.session.wait_page(FINISH)
        self.assertEqual(self.session.text(1006), RESTART)
        self.session.driver("click", 1014)
        self.finish(installer)
        self.assertEqual(self.session.reg_query(RUNONCE_KEY, "zorv"),
                         '"%s\\installer.exe" -afterboot' % self.INSTALL_FOLDER)

    def test_boot_option_schedules_every_replacement(self):
        data = component("1.9.0.0")
        write_distribution(self.session.drive_c("sys3"), {"zsysthree.dll": data},
                           ["M,zsysthree.dll,%d,1.9.0.0,sys" % len(data)])
        installer, text = self.install(["/url", "file:C:\\sys3", "/boot"])
        self.assertEqual(text, RESTART)
        self.session.driver("click", 1014)
        self.finish(installer)
        self.assertFalse(os.path.exists(self.system32("zsysthree.dll")))
        self.assertTrue(os.path.exists(self.system32("zsysthree.dl$")))
        self.assertIn("zsysthree.dl$", self.session.reg_query(PENDING_KEY, "PendingFileRenameOperations") or "")

    def test_nine_x_family_uses_wininit(self):
        self.session.reg_add(r"HKCU\Software\Wine\AppDefaults\installer.exe", "Version", "REG_SZ", "win98")
        try:
            data = component("1.9.0.0")
            other = component("2.0.0.0")
            for name in self.unique_temporaries():
                os.remove(self.system32(name))
            write_distribution(self.session.drive_c("sys4"), {"zsysfour.dll": data, "zsysfour.dlx": other},
                               ["M,zsysfour.dll,%d,1.9.0.0,sys" % len(data),
                                "M,zsysfour.dlx,%d,2.0.0.0,sys" % len(other)])
            installer, text = self.install(["/url", "file:C:\\sys4", "/boot"])
            self.assertEqual(text, RESTART)
            self.session.driver("click", 1014)
            self.finish(installer)
        finally:
            self.session.reg_delete(r"HKCU\Software\Wine\AppDefaults\installer.exe")
        with open(self.session.drive_c("windows", "wininit.ini"), "rb") as f:
            wininit = f.read().decode("cp1252")
        self.assertIn("[rename]", wininit)
        self.assertIn("zsysfour.dll=C:\\windows\\system32\\zsysfour.dl$".lower(), wininit.lower())
        self.assertEqual(self.read(self.system32("zsysfour.dl$")), data)
        # zsysfour.dlx would make zsysfour.dl$ too: it waits under a name of its own.
        unique = self.unique_temporaries()
        self.assertEqual(len(unique), 1, wininit)
        self.assertIn(("zsysfour.dlx=C:\\windows\\system32\\" + unique[0]).lower(), wininit.lower())
        self.assertEqual(self.read(self.system32(unique[0])), other)


if __name__ == "__main__":
    unittest.main(verbosity=2)
