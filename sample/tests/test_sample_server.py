"""The sample client's own behaviour, which the installer's tests rely on:
its server's registration and unregistration, the application's /RegServer,
and what its configuration object refuses."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "e2e"))

from zorvtest.sample_client import (APPLICATION, CO_E_CLASSSTRING, DISP_E_TYPEMISMATCH, E_INVALIDARG,  # noqa: E402
                                    FILE_NOT_FOUND, REGDB_E_CLASSNOTREG, SERVER, SETTINGS_KEY, S_OK,
                                    SampleClientCase)


class SampleServerTest(SampleClientCase):
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

    def test_the_configuration_object_refuses_what_it_cannot_take(self):
        status, fields, _ = self.probe_journal("set", "http", "proxy", "str", "kept.example:880")
        self.assertEqual((status, fields["call"]), (0, S_OK))
        ini = self.ini_text()
        # A variant of another kind, an empty section or key: nothing is written.
        for args, expected, journal_line in (
                (("http", "proxy", "none"), DISP_E_TYPEMISMATCH, "SetValue http proxy VT 0 rejected"),
                (("", "proxy", "str", "x"), E_INVALIDARG, "SetValue  proxy BSTR x rejected"),
                (("http", "", "int", "5"), E_INVALIDARG, "SetValue http  I4 5 rejected")):
            with self.subTest(args=args):
                status, fields, lines = self.probe_journal("set", *args)
                self.assertEqual((status, fields["call"]), (1, expected))
                self.assertEqual(lines[1:-1], [journal_line])
        self.assertEqual(self.ini_text(), ini)
        # A configuration file that is missing, or named by a path (to one
        # that is there).
        with open(self.client_file("a.cnf"), "wb") as handle:
            handle.write(b"[import]\r\nproxy=cnf.example:8080\r\n")
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


if __name__ == "__main__":
    unittest.main(verbosity=2)
