"""What a hostile list or server gets: a defined end, never a hang, never a
failure reported as a success, and the installed files as they were."""

import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.case import FAILURE, FINISH, SUCCESS, InstallTestCase, fixture  # noqa: E402
from zorvtest.distribution import digest_tree, write_distribution  # noqa: E402
from zorvtest.distribution_server import DistributionServer, streaming  # noqa: E402

PROGRAMS = r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs"
PATH = "/dist"


class HostileListTest(InstallTestCase):

    def setUp(self):
        shutil.rmtree(self.installed(), ignore_errors=True)

    def local_install(self, folder, files, lines, extra=(), timeout=90):
        write_distribution(self.session.unix_path(folder), files, lines)
        installer, text = self.install(["/url", "file:" + folder] + list(extra), timeout=timeout)
        self.finish(installer)
        return text

    def test_a_download_that_cannot_start_never_hangs_the_walk(self):
        # The URL of the M record's file does not fit its buffer: the record is
        # refused and the walk goes on behind it instead of reading the line again.
        # (Folders stay below the platform's 260 characters for a path.)
        folder = "C:\\" + "\\".join(["d" * 110] * 2) + "\\dist"
        name = "m" * 280 + ".dll"
        self.assertGreater(len(folder) + 1 + len(name), 511)
        text = self.local_install(folder, {"good.txt": b"good"},
                                  ["M,%s,100,1.0.0.0,sys" % name, "I,good.txt,4,1.0.0.0"], timeout=60)
        self.assertEqual(text, FAILURE)
        with open(self.installed("good.txt"), "rb") as f:
            self.assertEqual(f.read(), b"good")

    def test_dot_and_device_fields_are_refused(self):
        programs = self.session.unix_path(PROGRAMS)
        other = os.path.join(programs, "Other Program")
        os.makedirs(other, exist_ok=True)
        with open(os.path.join(other, "keep.lnk"), "w") as f:
            f.write("keep")
        app = fixture("ver_1_2_3_4.dll")
        files = {"app.exe": app, "good.txt": b"good", "nul.txt": b"n", "x.txt": b"x"}
        refused = ["L,app.exe,client,.,First", "L,app.exe,client,ZORV\\.,First", "L,app.exe,client,. .,First",
                   "L,app.exe,client,ZORV Test,nul", "L,app.exe,client,ZORV Test,Com1.lnk", "I,nul.txt,1,1.0.0.0",
                   "I,x.txt,1,1.0.0.0,client\\LPT1", "I,x.txt,1,1.0.0.0,client\\COM0", "R,client\\aux.dll"]
        # One list: behind each refused record a file of its own, which shows
        # that the walk went on behind that record. Which names are refused is
        # the component location's unit tests.
        lines = ["I,app.exe,%d,1.2.3.4,client" % len(app)]
        for number, line in enumerate(refused):
            files["behind%d.txt" % number] = b"%d" % number
            lines += [line, "I,behind%d.txt,1,1.0.0.0" % number]
        text = self.local_install("C:\\fields", files, lines + ["I,good.txt,4,1.0.0.0"])
        self.assertEqual(text, FAILURE)
        for number, line in enumerate(refused):
            with self.subTest(line=line), open(self.installed("behind%d.txt" % number), "rb") as f:
                self.assertEqual(f.read(), b"%d" % number, "the walk goes on behind a refused record")
        self.assertTrue(os.path.exists(os.path.join(other, "keep.lnk")), "no other program's menu is emptied")
        self.assertEqual([name for name in os.listdir(programs) if name.lower() in ("first.lnk", "zorv", "zorv test")],
                         [], "no shortcut or menu folder of a refused record")
        self.assertFalse(os.path.exists(self.installed("client", "x.txt")))
        self.assertEqual(sorted(os.listdir(self.installed("client"))), ["app.exe", "zorv3.lst"],
                         "nothing else in the client folder")
        # Empty components behind a name are what Windows makes of them: a
        # list written with "client\\" or "client\\\\sub" installs.
        text = self.local_install("C:\\fields", files, ["I,x.txt,1,1.0.0.0,client\\",
                                                        "I,good.txt,4,1.0.0.0,client\\\\sub"])
        self.assertEqual(text, SUCCESS)
        with open(self.installed("client", "x.txt"), "rb") as f:
            self.assertEqual(f.read(), b"x")
        with open(self.installed("client", "sub", "good.txt"), "rb") as f:
            self.assertEqual(f.read(), b"good")

    def test_a_folder_is_no_system_file(self):
        os.makedirs(self.installed("sys", "zfolder.dll", "inside"))
        text = self.local_install("C:\\sysfolder", {"good.txt": b"good"},
                                  ["M,zfolder.dll,100,1.0.0.0,sys", "I,good.txt,4,1.0.0.0"])
        self.assertEqual(text, FAILURE)
        self.assertFalse(os.path.exists(self.session.drive_c("windows", "system32", "zfolder.dll")))
        self.assertTrue(os.path.isdir(self.installed("sys", "zfolder.dll", "inside")))

    def test_a_replacement_that_cannot_be_scheduled_leaves_no_dollar_file(self):
        # On the 9x family the replacement is written into wininit.ini; a
        # folder of that name makes the writing fail after the move to "$".
        wininit = self.session.drive_c("windows", "wininit.ini")
        aside = wininit + ".aside"
        if os.path.isfile(wininit):
            os.rename(wininit, aside)
        os.makedirs(wininit)
        self.session.reg_add(r"HKCU\Software\Wine\AppDefaults\installer.exe", "Version", "REG_SZ", "win98")
        try:
            data = fixture("ver_1_9_0_0.dll")
            text = self.local_install("C:\\sys9x", {"zsysfive.dll": data},
                                      ["M,zsysfive.dll,%d,1.9.0.0,sys" % len(data)], extra=["/boot"])
        finally:
            self.session.reg_delete(r"HKCU\Software\Wine\AppDefaults\installer.exe")
            os.rmdir(wininit)
            if os.path.isfile(aside):
                os.rename(aside, wininit)
        self.assertEqual(text, FAILURE)
        system32 = self.session.drive_c("windows", "system32")
        self.assertFalse(os.path.exists(os.path.join(system32, "zsysfive.dl$")))
        self.assertFalse(os.path.exists(os.path.join(system32, "zsysfive.dll")))

    def test_counts_past_the_total_and_past_2_gib_show_a_full_bar(self):
        # Two current system files of 2 GiB - 1 bytes each, a total of 1000:
        # the overall bar stands full while the next download stalls.
        root = os.path.join(self.session.root, "counts")
        write_distribution(root + PATH, {}, ["T,1000", "M,kernel32.dll,2147483647,0.0.0.0",
                                             "M,user32.dll,2147483647,0.0.0.0", "I,stall.bin,5,1.0.0.0"])
        with DistributionServer(root) as server:
            server.answers[PATH + "/stall.bin"] = ("then silent", b"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n")
            installer = self.walk_to_ready(["/url", server.url(PATH)])
            self.session.press("next")
            self.session.driver("wait-text", 1006, "Reading data...", 30, timeout=30)
            self.assertEqual(self.session.driver("bar-pos", 1012), "100")
            self.session.driver("click", 2)
            self.session.wait_msgbox(20)
            self.session.answer_msgbox(6)
            self.session.wait_page(FINISH)
            self.finish(installer)


class HostileServerTest(InstallTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.root = os.path.join(cls.session.root, "web")
        cls.first = {"keep.txt": b"installed keep", "next.txt": b"installed next"}
        write_distribution(cls.root + PATH, cls.first,
                           ["I,keep.txt,14,1.0.0.0,client", "I,next.txt,14,1.0.0.0,client"])

    def test_a_list_whose_header_never_ends_is_not_walked(self):
        shutil.rmtree(self.installed(), ignore_errors=True)
        for answer in (b"HTTP/1.0 200 OK\r\nServer: cut\r\n", b"HTTP/1.0 200 OK\r\n", b"HTTP/1.0 200 OK"):
            with self.subTest(answer=answer), DistributionServer(self.root) as server:
                server.answers[PATH + "/zorv3.lst"] = answer
                installer = self.walk_to_ready(["/url", server.url(PATH)])
                self.session.press("next")
                self.session.driver("wait-text", 1006, "Error!", 30, timeout=30)
                self.assertEqual(self.cancel_stopped_installation(), FAILURE)
                self.finish(installer)
                self.assertFalse(os.path.exists(self.installed("client", "zorv3.lst")))

    def test_cut_and_endless_headers_leave_the_installed_file_and_the_walk_goes_on(self):
        with DistributionServer(self.root) as server:
            installer, text = self.install(["/url", server.url(PATH), "/no-reg"])
            self.assertEqual(text, SUCCESS)
            self.finish(installer)
        before = digest_tree(self.installed())
        endless = streaming(b"HTTP/1.0 200 OK\r\n", None, b"X-Padding: " + b"p" * 100 + b"\r\n")
        for name, answer in (("cut", b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n"),
                             ("endless", endless)):
            with self.subTest(header=name), DistributionServer(self.root) as server:
                server.answers[PATH + "/keep.txt"] = answer
                # Both files are fetched again: they have no version resource.
                installer, text = self.install(["/url", server.url(PATH), "/no-reg"], timeout=60)
                self.assertEqual(text, FAILURE)
                self.finish(installer)
                after = digest_tree(self.installed())
                self.assertEqual(after["client/keep.txt"][:2], before["client/keep.txt"][:2])
                self.assertNotEqual(after["client/next.txt"][3], before["client/next.txt"][3],
                                    "the walk went on and fetched the next file")
                self.assertEqual([p for p in after if p.endswith(".download")], [])

    def test_a_body_cut_short_of_any_spelling_of_its_length_is_thrown_away(self):
        with DistributionServer(self.root) as server:
            installer, text = self.install(["/url", server.url(PATH), "/no-reg"])
            self.assertEqual(text, SUCCESS)
            self.finish(installer)
        before = digest_tree(self.installed())
        # 300 of 1000 announced bytes, then the server closes: HTTP takes the
        # field's name in any letter case and the value with or without blanks.
        with DistributionServer(self.root) as server:
            server.answers[PATH + "/keep.txt"] = b"HTTP/1.0 200 OK\r\ncontent-length: 1000\r\n\r\n" + b"k" * 300
            server.answers[PATH + "/next.txt"] = b"HTTP/1.0 200 OK\r\nContent-Length:1000\r\n\r\n" + b"n" * 300
            installer, text = self.install(["/url", server.url(PATH), "/no-reg"], timeout=60)
            self.assertEqual(text, FAILURE)
            self.finish(installer)
            self.assertEqual(len([r for r in server.requests if b"/keep.txt " in r or b"/next.txt " in r]), 2,
                             "both were fetched again")
        after = digest_tree(self.installed())
        for name in ("client/keep.txt", "client/next.txt"):
            self.assertEqual(after[name][:2], before[name][:2], name)
        self.assertEqual([p for p in after if p.endswith(".download")], [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
