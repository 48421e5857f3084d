"""What an ordinary user of the same machine can do to the elevated
installer: plant a configuration file or a link in the client folder, where
everyone may add files after the first installation, or a library beside
installer.exe in a folder of its own (a downloads folder). And that
components needing a library beside them still register and load."""

import os
import shutil
import re
import stat
import subprocess
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.case import FINISH, FOLDER, PROXY, READY, SUCCESS, WELCOME, InstallTestCase, fixture  # noqa: E402
from zorvtest.distribution import write_distribution  # noqa: E402
from zorvtest.distribution_server import DistributionServer  # noqa: E402
from zorvtest.sample import Journal, copy_distribution  # noqa: E402
from zorvtest.session import INSTALLER, SIGNED_INSTALLER, WIN32_DIR, Installer  # noqa: E402
from zorvtest.signing import signed_list  # noqa: E402

FIXTURES = os.path.join(WIN32_DIR, "tests", "fixtures")
PLANTED_VERSION = os.path.join(FIXTURES, "planted", "version.dll")
# Libraries that only record that they were loaded (tests/fixtures/planted_library.c).
PLANTED_NAMES = ("comctl32.dll", "rsaenh.dll", "crypt32.dll", "bcrypt.dll")
# The calls whose order the trace of the first start shows.
RELAYED = "SetDefaultDllDirectories;CreateWindowExA;WSAStartup"
TEST_KEY = r"HKCU\Software\ZorvTest"
HELPER_MARKER = "helper beside the server"


class PlantedFilesTest(InstallTestCase):

    def setUp(self):
        shutil.rmtree(self.installed(), ignore_errors=True)

    def finish_answering(self, installer):
        """Finish; returns the texts of the boxes the finishing showed."""
        self.session.press("finish")
        self.session.driver("wait-gone", 30, timeout=30)
        texts = self.answer_remaining_boxes(installer)
        self.assertEqual(installer.wait(60), 0)
        return texts

    def test_only_the_lists_configuration_files_are_imported(self):
        copy_distribution(self.session, "sample")
        client = self.installed("client")
        os.makedirs(client)
        with open(os.path.join(client, "planted.cnf"), "w") as f:
            f.write("[planted]\r\nowner=attacker\r\n")
        installer, text = self.install(["/url", "file:C:\\sample"])
        self.assertEqual(text, SUCCESS)
        self.finish_answering(installer)

        imports = [line for line in Journal(client).lines() if line.startswith("ImportConfigFile")]
        self.assertEqual(imports, ["ImportConfigFile site.cnf ok"])
        self.assertFalse(os.path.exists(os.path.join(client, "site.cnf")), "the list's file is deleted")
        with open(os.path.join(client, "planted.cnf")) as f:
            self.assertEqual(f.read(), "[planted]\nowner=attacker\n", "a planted file is left alone")
        with open(os.path.join(client, "zorvc.ini")) as f:
            ini = f.read()
        self.assertIn("[site]", ini)
        self.assertNotIn("[planted]", ini)

    def test_planted_temporary_and_destination_files_are_never_reused(self):
        # Files an ordinary user put under the names the installer writes: the
        # installed ones are files it made itself, with the content it fetched.
        source = self.session.drive_c("plantdl")
        write_distribution(source, {"comp.txt": b"real component"}, ["I,comp.txt,14,1.0.0.0,client"])
        with open(os.path.join(source, "zorv3.lst"), "rb") as f:
            real_list = f.read()
        with DistributionServer(self.session.drive_c()) as server:
            for url in ("file:C:\\plantdl", server.url("/plantdl")):
                with self.subTest(url=url[:5]):
                    shutil.rmtree(self.installed(), ignore_errors=True)
                    client = self.installed("client")
                    os.makedirs(client)
                    # A second name outside keeps each planted file alive, so
                    # that its inode is not handed to a new file.
                    kept = os.path.join(self.session.root, "kept")
                    shutil.rmtree(kept, ignore_errors=True)
                    os.makedirs(kept)
                    planted = {}
                    for name in ("zorv3.lst.download", "comp.txt.download", "comp.txt"):
                        path = os.path.join(client, name)
                        with open(path, "wb") as f:
                            f.write(b"planted " + name.encode())
                        os.chmod(path, 0o666)
                        os.link(path, os.path.join(kept, name))
                        planted[name] = os.stat(path).st_ino
                    installer, text = self.install(["/url", url, "/no-reg"])
                    self.assertEqual(text, SUCCESS)
                    self.finish_answering(installer)
                    for name, content in (("comp.txt", b"real component"), ("zorv3.lst", real_list)):
                        path = os.path.join(client, name)
                        with open(path, "rb") as f:
                            self.assertEqual(f.read(), content, name)
                        self.assertNotIn(os.stat(path).st_ino, planted.values(), "%s is a planted file" % name)
                    self.assertEqual([n for n in os.listdir(client) if n.endswith(".download")], [])
                    for name in planted:
                        with open(os.path.join(kept, name), "rb") as f:
                            self.assertEqual(f.read(), b"planted " + name.encode(), "%s was written into" % name)

    def test_a_planted_system_file_never_reaches_the_system_folder(self):
        # The list puts a system file's download into the client folder: a
        # file planted there under its name is fetched over, not moved on.
        real = fixture("ver_1_9_0_0.dll")
        client = self.installed("client")
        os.makedirs(client)
        with open(os.path.join(client, "zplanted.dll"), "wb") as f:
            f.write(b"planted library")
        write_distribution(self.session.drive_c("plantsys"), {"zplanted.dll": real},
                           ["M,zplanted.dll,%d,1.9.0.0,client" % len(real)])
        installer, text = self.install(["/url", "file:C:\\plantsys", "/no-reg"])
        self.assertEqual(text, SUCCESS)
        self.finish_answering(installer)
        with open(self.session.drive_c("windows", "system32", "zplanted.dll"), "rb") as f:
            self.assertEqual(f.read(), real)

    def test_a_hard_link_as_the_configuration_file_gets_no_grant(self):
        # The link's access is not read: the box of a failed read, with the
        # reason. A file whose access cannot be written (immutable here, where
        # even the owner's chmod fails) gets the box of a failed write.
        victim = self.session.drive_c("windows", "victim.ini")
        with open(victim, "w") as f:
            f.write("[boot]\n")
        os.chmod(victim, 0o600)
        client = self.installed("client")
        os.makedirs(client)
        os.link(victim, os.path.join(client, "zorvc.ini"))
        locked = os.path.join(client, "trusted.cas")
        open(locked, "w").close()
        os.chmod(locked, 0o600)
        immutable = subprocess.run(["chattr", "+i", locked], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL).returncode == 0
        try:
            write_distribution(self.session.drive_c("plain"), {}, ["T,0"])
            installer, text = self.install(["/url", "file:C:\\plain"])
            self.assertEqual(text, SUCCESS)
            self.session.press("finish")
            box = self.session.wait_msgbox(30)
            self.assertEqual(box["text"], "GetNamedSecurityInfo(%s\\client\\zorvc.ini): Error 1142"
                             % self.INSTALL_FOLDER)
            self.assertFalse(box["icon"])
            self.session.answer_msgbox(1)
            later = ["SetNamedSecurityInfo(%s\\client\\trusted.cas): Error 5" % self.INSTALL_FOLDER] if immutable else []
            self.assertEqual(self.answer_remaining_boxes(installer), later)
            self.assertEqual(installer.wait(60), 0)
        finally:
            subprocess.run(["chattr", "-i", locked], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertEqual(stat.S_IMODE(os.stat(victim).st_mode), 0o600, "the linked file keeps its rights")
        log_mode = stat.S_IMODE(os.stat(os.path.join(client, "zorvc.log")).st_mode)
        self.assertEqual(log_mode & 0o002, 0o002, "an ordinary file is still granted")
        if not immutable:
            self.skipTest("chattr +i is not permitted here: the failed write was not tried")

    def start_traced(self, exe, args, dll_overrides, trace):
        """Starts exe with Wine's trace of the program's calls of RELAYED
        written to trace, and waits for the wizard's first page."""
        self.session.reg_add(r"HKCU\Software\Wine\Debug", "RelayInclude", "REG_SZ", RELAYED)
        env = self.session.env(dll_overrides=dll_overrides)
        env["WINEDEBUG"] = "+relay"
        with open(trace, "wb") as f:
            popen = subprocess.Popen(["wine", exe] + list(args), env=env, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=f)
        installer = Installer(self.session, popen)
        self.session.installers.append(installer)
        self.session.driver("wait-sheet", 30, timeout=30)
        self.session.wait_page(WELCOME)
        return installer

    def test_a_library_beside_the_installer_is_never_called(self):
        # Both installers in a folder of their own, as in a downloads folder,
        # with libraries under system libraries' names that anyone could have
        # put there: those Wine loads by name for the program once its code
        # runs (the CryptoAPI provider's, for the key-built one), comctl32.dll,
        # which the manifest binds to the side-by-side copy, and version.dll,
        # which Wine's own libraries import. Wine 8 takes the libraries that
        # its own comctl32 delay-loads (uxtheme.dll, msimg32.dll) from the
        # program's folder whatever the program restricts, so they are not
        # planted here.
        downloads = self.session.drive_c("users", "Public", "Downloads")
        shutil.rmtree(downloads, ignore_errors=True)
        os.makedirs(downloads)
        shutil.copy(INSTALLER, os.path.join(downloads, "installer.exe"))
        shutil.copy(SIGNED_INSTALLER, os.path.join(downloads, "setup.exe"))
        shutil.copy(PLANTED_VERSION, os.path.join(downloads, "version.dll"))
        for name in PLANTED_NAMES:
            shutil.copy(os.path.join(FIXTURES, "planted", name), os.path.join(downloads, name))
        overrides = ";".join("%s=n,b" % os.path.splitext(name)[0] for name in PLANTED_NAMES + ("version.dll",))
        calls = os.path.join(downloads, "version_calls.txt")
        # A current component: only a version read through the system's
        # version.dll keeps it from being fetched again.
        component = fixture("ver_1_2_3_4.dll")
        lines = ["I,comp.dll,%d,1.2.3.4,client" % len(component)]
        write_distribution(self.session.drive_c("versioned"), {"comp.dll": component}, lines)
        write_distribution(self.session.drive_c("signedver"), {"comp.dll": component},
                           list_bytes=signed_list(lines, {"comp.dll": component}, 1))
        os.makedirs(self.installed("client"))
        with open(self.installed("client", "comp.dll"), "wb") as f:
            f.write(component)
        os.utime(self.installed("client", "comp.dll"), ns=(1_000_000_000, 1_000_000_000))

        trace = os.path.join(self.session.root, "relay.txt")
        try:
            installer = self.start_traced(os.path.join(downloads, "installer.exe"), ["/url", "file:C:\\versioned"],
                                          overrides, trace)
        finally:
            self.session.reg_delete(r"HKCU\Software\Wine\Debug")
        for page in (FOLDER, PROXY, READY, FINISH):
            self.session.press("next")
            self.session.wait_page(page, timeout=60)
        self.assertEqual(self.session.text(1006), SUCCESS)
        self.finish_answering(installer)
        self.assertEqual(os.stat(self.installed("client", "comp.dll")).st_mtime_ns, 1_000_000_000,
                         "the installed version was read: the component was not fetched again")
        shutil.rmtree(self.installed(), ignore_errors=True)
        installer, text = self.install(["/url", "file:C:\\signedver"], exe=os.path.join(downloads, "setup.exe"),
                                       dll_overrides=overrides)
        self.assertEqual(text, SUCCESS, "the key-built installer checked the list with the system's provider")
        self.finish_answering(installer)

        # The program's own calls (returning into installer.exe, based at
        # 0x400000): the search is restricted before its first window (the
        # dispatcher's) and before Windows Sockets starts, both of which may
        # load libraries.
        with open(trace, encoding="latin-1") as f:
            own = [m.group(1) for m in re.finditer(r"Call (?:\w+)\.(\w+)\((.*?)\) ret=004[0-9a-f]{5}", f.read())]
        self.assertIn("SetDefaultDllDirectories", own)
        first = own.index("SetDefaultDllDirectories")
        for function in ("CreateWindowExA", "WSAStartup"):
            self.assertIn(function, own)
            self.assertLess(first, own.index(function), "%s came before the search was restricted: %r"
                            % (function, own[:8]))

        with open(calls) as f:
            lines = f.read().splitlines()
        loaded = [line for line in lines if line.startswith("loaded ")]
        self.assertTrue(any(line.lower().endswith("\\downloads\\installer.exe") for line in loaded),
                        "the planted library was loaded into the installer (Wine's own libraries import it): %r"
                        % lines)
        own_calls = [line for line in lines
                     if not line.startswith("loaded ") and line.lower().endswith(("\\installer.exe", "\\setup.exe"))]
        self.assertEqual(own_calls, [])
        journal = os.path.join(downloads, "planted_calls.txt")
        self.assertFalse(os.path.exists(journal), "planted libraries were loaded into the installers: %s"
                         % (open(journal).read() if os.path.exists(journal) else ""))


class SiblingLibraryTest(InstallTestCase):

    def setUp(self):
        shutil.rmtree(self.installed(), ignore_errors=True)
        self.session.reg_delete(TEST_KEY)

    def test_a_component_finds_the_library_beside_it_when_registering_and_when_created(self):
        files = {name: fixture(name) for name in ("sibling_server.dll", "sibling_helper.dll")}
        write_distribution(self.session.drive_c("sibling"), files, [
            "I,sibling_helper.dll,%d,1.0.0.0,client" % len(files["sibling_helper.dll"]),
            "I,sibling_server.dll,%d,1.0.0.0,client" % len(files["sibling_server.dll"]),
            "R,sibling_server.dll,client",
            "H,Zorv.Test.Sibling"])
        installer, text = self.install(["/url", "file:C:\\sibling"])
        self.assertEqual(text, SUCCESS)
        self.session.press("finish")
        self.session.driver("wait-gone", 30, timeout=30)
        self.answer_remaining_boxes(installer)
        self.assertEqual(installer.wait(60), 0)
        self.assertEqual(self.session.reg_query(TEST_KEY, "SiblingRegistered"), HELPER_MARKER,
                         "self-registration loaded the server and the library beside it")
        self.assertEqual(self.session.reg_query(TEST_KEY, "SiblingCreated"), HELPER_MARKER,
                         "the held object was created by the in-process server")


if __name__ == "__main__":
    unittest.main(verbosity=2)
