"""The client's automation objects, as the installer creates and calls them,
against the sample client: its server zorvclient.dll registered in the
prefix and its application zorvc.exe. The calls go through client_probe.exe,
which uses the installer's own createClientObject and postExitBroadcast; the
sample's journal, configuration file and registry entries show what arrived."""

import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.case import SessionTestCase  # noqa: E402
from zorvtest.session import WIN32_DIR, HarnessError  # noqa: E402

PROBE = os.path.join(WIN32_DIR, "tests", "tools", "client_probe.exe")
DISTRIBUTION = os.path.join(WIN32_DIR, "sample", "distribution")
CLIENT_DIR = "C:\\Sample\\client"
SERVER = CLIENT_DIR + "\\zorvclient.dll"
APPLICATION = CLIENT_DIR + "\\zorvc.exe"
SETTINGS_KEY = "HKCU\\Software\\Brenix\\ZORV3 Sample"

S_OK, S_FALSE = 0x00000000, 0x00000001
E_INVALIDARG = 0x80070057
FILE_NOT_FOUND = 0x80070002
CO_E_CLASSSTRING = 0x800401F3
REGDB_E_CLASSNOTREG = 0x80040154
DISP_E_TYPEMISMATCH = 0x80020005


class ClientObjectsTest(SessionTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        try:
            if not os.path.isfile(PROBE) or not os.path.isfile(os.path.join(DISTRIBUTION, "zorvclient.dll")):
                raise HarnessError("client_probe.exe or the sample distribution not built (ZORV_WIN32_DIR=%r)"
                                   % WIN32_DIR)
            folder = cls.session.unix_path(CLIENT_DIR)
            os.makedirs(folder)
            for name in ("zorvclient.dll", "zorvc.exe"):
                shutil.copy(os.path.join(DISTRIBUTION, name), folder)
            cls.session.wine(["regsvr32", "/s", SERVER])
        except BaseException:
            cls.session.stop()
            raise

    def setUp(self):
        self.applications = []
        # Each test starts from a client without configuration.
        ini = self.client_file("zorvc.ini")
        if os.path.exists(ini):
            os.remove(ini)

    def tearDown(self):
        super().tearDown()
        for popen in self.applications:
            if popen.poll() is None:
                popen.kill()
                popen.wait(timeout=10)

    # -- helpers ---------------------------------------------------------------
    def client_file(self, name):
        return os.path.join(self.session.unix_path(CLIENT_DIR), name)

    def probe(self, *args):
        """Runs client_probe; returns its exit code and its output as a dict."""
        result = self.session.wine([PROBE] + list(args), timeout=60, check=False)
        out = result.stdout.decode("cp1252").replace("\r\n", "\n")
        fields = {}
        for line in out.splitlines():
            name, _, value = line.partition("=")
            fields[name] = value
        for name in ("create", "call"):
            if name in fields:
                fields[name] = int(fields[name], 16)
        return result.returncode, fields

    def journal(self):
        """The journal's lines; each must be ANSI text ending in CR LF."""
        path = self.client_file("journal.txt")
        if not os.path.exists(path):
            return []
        with open(path, "rb") as handle:
            data = handle.read()
        self.assertTrue(data == b"" or data.endswith(b"\r\n"), "the journal ends with CR LF")
        lines = data.decode("cp1252").split("\r\n")[:-1]
        for line in lines:
            self.assertNotIn("\n", line, "no bare line feed in the journal")
        return lines

    def journal_of(self, action, *args):
        """Runs the action and returns the journal lines it added."""
        before = len(self.journal())
        result = action(*args)
        return result, self.journal()[before:]

    def probe_journal(self, *args):
        (status, fields), lines = self.journal_of(self.probe, *args)
        return status, fields, lines

    def wait_for_journal(self, line, count, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.journal().count(line) >= count:
                return
            time.sleep(0.2)
        self.fail("no %r in the journal within %s s" % (line, timeout))

    def start_application(self):
        started = self.journal().count("zorvc started")
        popen = self.session.start_program([APPLICATION])
        self.applications.append(popen)
        self.wait_for_journal("zorvc started", started + 1)
        return popen

    def wait_ended(self, popen, timeout=30):
        try:
            return popen.wait(timeout=timeout)
        except Exception:
            self.fail("zorvc.exe did not end within %s s" % timeout)

    def reg_default(self, key):
        """The unnamed value of a key as reg.exe prints it, or None."""
        result = self.session.wine(["reg", "query", key, "/ve"], check=False)
        if result.returncode != 0:
            return None
        for line in result.stdout.decode("cp1252", errors="replace").splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[1].startswith("REG_"):
                return parts[2] if len(parts) > 2 else ""
        return None

    def class_id(self, prog_id):
        return self.reg_default("HKCR\\%s\\CLSID" % prog_id)

    def ini_text(self):
        with open(self.client_file("zorvc.ini"), "rb") as handle:
            return handle.read().decode("cp1252")

    # -- tests -------------------------------------------------------------------
    def test_registration_names_the_dll_for_both_classes(self):
        for prog_id in ("Zorv.Client.Conf", "Zorv.Client"):
            with self.subTest(prog_id=prog_id):
                class_id = self.class_id(prog_id)
                self.assertRegex(class_id or "", r"^\{[0-9A-F-]{36}\}$")
                server_key = "HKCR\\CLSID\\%s\\InprocServer32" % class_id
                self.assertEqual(self.reg_default(server_key), SERVER)
                self.assertEqual(self.session.reg_query(server_key, "ThreadingModel"), "Apartment")
                self.assertEqual(self.reg_default("HKCR\\CLSID\\%s\\ProgID" % class_id), prog_id)
        self.assertNotEqual(self.class_id("Zorv.Client.Conf"), self.class_id("Zorv.Client"))
        self.assertIn("DllRegisterServer", self.journal())

    def test_unregistering_removes_both_classes_and_registering_brings_them_back(self):
        class_id = self.class_id("Zorv.Client")
        try:
            _, lines = self.journal_of(self.session.wine, ["regsvr32", "/s", "/u", SERVER])
            self.assertEqual(lines, ["DllUnregisterServer"])
            for prog_id in ("Zorv.Client.Conf", "Zorv.Client"):
                self.assertIsNone(self.class_id(prog_id), prog_id)
            self.assertIsNone(self.reg_default("HKCR\\CLSID\\%s\\InprocServer32" % class_id))
            status, fields, lines = self.probe_journal("create", "Zorv.Client")
            self.assertEqual((status, fields["create"], fields["object"]), (1, CO_E_CLASSSTRING, "0"))
            status, fields, _ = self.probe_journal("create", class_id)
            self.assertEqual((status, fields["create"], fields["object"]), (1, REGDB_E_CLASSNOTREG, "0"))
            self.assertEqual(lines, [])
        finally:
            _, lines = self.journal_of(self.session.wine, ["regsvr32", "/s", SERVER])
        self.assertEqual(lines, ["DllRegisterServer"])
        self.assertEqual(self.probe("create", "Zorv.Client")[0], 0)

    def test_creation_by_progid_and_by_class_id_text(self):
        conf_id = self.class_id("Zorv.Client.Conf")
        for class_text, prog_id in (("Zorv.Client.Conf", "Zorv.Client.Conf"), (conf_id, "Zorv.Client.Conf"),
                                    (conf_id.lower(), "Zorv.Client.Conf"), ("Zorv.Client", "Zorv.Client"),
                                    (self.class_id("Zorv.Client"), "Zorv.Client")):
            with self.subTest(class_text=class_text):
                status, fields, lines = self.probe_journal("create", class_text)
                self.assertEqual((status, fields["create"], fields["object"]), (0, S_OK, "1"))
                # Created for the one use and released at once.
                self.assertEqual(lines, ["Create " + prog_id, "Release " + prog_id])

        for class_text, expected in (("Zorv.Client.Nothing", CO_E_CLASSSTRING),
                                     ("{5A0F3C2F-7B2D-4E61-9C3A-2F1B6D0E8A41}", REGDB_E_CLASSNOTREG),
                                     ("{not-a-class-id}", CO_E_CLASSSTRING), ("", CO_E_CLASSSTRING)):
            with self.subTest(class_text=class_text):
                status, fields, lines = self.probe_journal("create", class_text)
                self.assertEqual((status, fields["create"], fields["object"]), (1, expected, "0"))
                self.assertEqual(lines, [])

    def test_client_path_reports_the_override_else_the_dll_folder(self):
        try:
            for override, expected in ((None, CLIENT_DIR), ("D:\\Apps\\ZORV3\\client", "D:\\Apps\\ZORV3\\client"),
                                       ("", "")):
                with self.subTest(override=override):
                    if override is None:
                        self.session.reg_delete(SETTINGS_KEY, "ClientPath")
                    else:
                        self.session.reg_add(SETTINGS_KEY, "ClientPath", "REG_SZ", override)
                    status, fields, lines = self.probe_journal("path")
                    self.assertEqual((status, fields["call"], fields["value"]), (0, S_OK, expected))
                    self.assertEqual(lines, ["Create Zorv.Client.Conf", "GetClientPath " + expected,
                                             "Release Zorv.Client.Conf"])
        finally:
            self.session.reg_delete(SETTINGS_KEY, "ClientPath")

    def test_set_value_stores_strings_and_integers_in_zorvc_ini(self):
        cases = (
            (("http", "proxy", "str", "proxy.example:880"), "SetValue http proxy BSTR proxy.example:880"),
            (("installer", "tstamp", "int", "1765180000"), "SetValue installer tstamp I4 1765180000"),
            (("installer", "origin", "str", "http://127.0.0.1:8080/zorv"),
             "SetValue installer origin BSTR http://127.0.0.1:8080/zorv"),
            (("numbers", "lowest", "int", "-2147483648"), "SetValue numbers lowest I4 -2147483648"),
            (("http", "proxy", "str", "other.example:3128"), "SetValue http proxy BSTR other.example:3128"),
        )
        for args, journal_line in cases:
            with self.subTest(args=args):
                status, fields, lines = self.probe_journal("set", *args)
                self.assertEqual((status, fields["call"]), (0, S_OK))
                self.assertEqual(lines[1:-1], [journal_line])
        ini = self.ini_text()
        self.assertIn("[installer]\r\ntstamp=1765180000\r\norigin=http://127.0.0.1:8080/zorv\r\n", ini)
        self.assertIn("[numbers]\r\nlowest=-2147483648\r\n", ini)
        # A second value under the same key replaces the first.
        self.assertIn("[http]\r\nproxy=other.example:3128\r\n", ini)
        self.assertEqual(ini.count("proxy="), 1)

        # Refused: a variant of another kind, an empty section or key. Nothing is written.
        for args, expected, journal_line in (
                (("http", "proxy", "none"), DISP_E_TYPEMISMATCH, "SetValue http proxy VT 0 rejected"),
                (("", "proxy", "str", "x"), E_INVALIDARG, "SetValue  proxy BSTR x rejected"),
                (("http", "", "int", "5"), E_INVALIDARG, "SetValue http  I4 5 rejected")):
            with self.subTest(args=args):
                status, fields, lines = self.probe_journal("set", *args)
                self.assertEqual((status, fields["call"]), (1, expected))
                self.assertEqual(lines[1:-1], [journal_line])
        self.assertEqual(self.ini_text(), ini)
        # Numbers that are none, or beyond 32 bits, never reach the object.
        for value in ("12x", "2147483648", ""):
            status, fields, lines = self.probe_journal("set", "a", "b", "int", value)
            self.assertEqual((status, fields, lines), (2, {}, []), value)

    def test_import_takes_a_cnf_file_over_and_a_missing_one_fails(self):
        with open(self.client_file("a.cnf"), "wb") as handle:
            handle.write(b"ignored=before any section\r\n[gui]\r\nlanguage=de\r\ntheme=dark\r\n"
                         b"[import]\r\nproxy=cnf.example:8080\r\n")
        status, fields, lines = self.probe_journal("import", "a.cnf")
        self.assertEqual((status, fields["call"]), (0, S_OK))
        self.assertEqual(lines, ["Create Zorv.Client.Conf", "ImportConfigFile a.cnf ok", "Release Zorv.Client.Conf"])
        ini = self.ini_text()
        self.assertIn("[gui]\r\nlanguage=de\r\ntheme=dark\r\n", ini)
        self.assertIn("[import]\r\nproxy=cnf.example:8080\r\n", ini)
        self.assertNotIn("ignored", ini)
        # The file stays; deleting it is the installer's part.
        self.assertTrue(os.path.exists(self.client_file("a.cnf")))

        for name, expected, journal_line in (("missing.cnf", FILE_NOT_FOUND, "ImportConfigFile missing.cnf missing"),
                                             ("..\\a.cnf", E_INVALIDARG, "ImportConfigFile ..\\a.cnf rejected"),
                                             ("C:\\Sample\\client\\a.cnf", E_INVALIDARG,
                                              "ImportConfigFile C:\\Sample\\client\\a.cnf rejected"),
                                             ("", E_INVALIDARG, "ImportConfigFile  rejected")):
            with self.subTest(name=name):
                status, fields, lines = self.probe_journal("import", name)
                self.assertEqual((status, fields["call"]), (1, expected))
                self.assertEqual(lines[1:-1], [journal_line])
        self.assertEqual(self.ini_text(), ini)

    def test_query_at_finish_answers_a_text(self):
        status, fields, lines = self.probe_journal("finish")
        self.assertEqual((status, fields["call"]), (0, S_OK))
        self.assertEqual(fields["value"], "The ZORV Client V3 sample is ready.")
        self.assertEqual(lines, ["Create Zorv.Client.Conf", "QueryAtFinish", "Release Zorv.Client.Conf"])

    def test_is_running_follows_the_application_and_quit_ends_it(self):
        status, fields, lines = self.probe_journal("running")
        self.assertEqual((status, fields["call"], fields["value"]), (0, S_OK, "0"))
        self.assertEqual(lines, ["Create Zorv.Client", "IsRunning 0", "Release Zorv.Client"])
        status, fields, lines = self.probe_journal("quit")
        self.assertEqual((status, fields["call"]), (0, S_FALSE))
        self.assertEqual(lines[1:-1], ["Quit not-running"])

        application = self.start_application()
        status, fields, lines = self.probe_journal("running")
        self.assertEqual((status, fields["value"]), (0, "-1"))
        self.assertEqual(lines[1:-1], ["IsRunning -1"])
        self.assertIsNone(application.poll(), "asking does not end the application")

        _, lines = self.journal_of(lambda: (self.probe("quit"), self.wait_ended(application)))
        self.assertEqual(application.returncode, 0)
        self.assertEqual(sorted(lines), sorted(["Create Zorv.Client", "Quit", "Release Zorv.Client", "zorvc quit"]))
        self.assertEqual(self.probe("running")[1]["value"], "0")

    def test_the_exit_broadcast_ends_every_running_application(self):
        first = self.start_application()
        second = self.start_application()
        status, fields, lines = self.probe_journal("broadcast")
        self.assertEqual((status, fields), (0, {"broadcast": "posted"}))
        self.assertEqual(self.wait_ended(first), 0)
        self.assertEqual(self.wait_ended(second), 0)
        self.assertEqual(self.journal()[-2:], ["zorvc exit broadcast"] * 2)
        self.assertEqual(self.probe("running")[1]["value"], "0")

    def test_regserver_registers_the_application_and_ends_at_once(self):
        self.session.reg_delete(SETTINGS_KEY, "RegServer")
        for argument in ("/RegServer", "-regserver"):
            with self.subTest(argument=argument):
                result, lines = self.journal_of(self.session.wine, [APPLICATION, argument], 30)
                self.assertEqual(result.returncode, 0)
                self.assertEqual(lines, ["zorvc /RegServer"])
                self.assertEqual(self.session.reg_query(SETTINGS_KEY, "RegServer"), APPLICATION)
                self.session.reg_delete(SETTINGS_KEY, "RegServer")
        self.assertEqual(self.probe("running")[1]["value"], "0")

    def test_probe_usage_errors_reach_no_object(self):
        for args in ((), ("bogus",), ("path", "extra"), ("set", "a", "b", "float", "1"), ("import",),
                     ("create",), ("running", "x")):
            with self.subTest(args=args):
                status, fields, lines = self.probe_journal(*args)
                self.assertEqual((status, fields, lines), (2, {}, []))


if __name__ == "__main__":
    unittest.main(verbosity=2)
