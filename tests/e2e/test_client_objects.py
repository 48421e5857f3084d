"""The client's automation objects as the installer creates and calls them,
against the sample client (zorvtest.sample_client): creation by name and by
class id, each call of the configuration hand-over, the running check, Quit
and the exit broadcast. What the sample itself does with bad arguments and
its registration are the sample's own tests (sample/tests)."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.sample_client import (CLIENT_DIR, CO_E_CLASSSTRING, REGDB_E_CLASSNOTREG, S_FALSE, S_OK,  # noqa: E402
                                    SETTINGS_KEY, SampleClientCase)


class ClientObjectsTest(SampleClientCase):
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

        # Numbers that are none, or beyond 32 bits, never reach the object.
        for value in ("12x", "2147483648", ""):
            status, fields, lines = self.probe_journal("set", "a", "b", "int", value)
            self.assertEqual((status, fields, lines), (2, {}, []), value)

    def test_import_takes_a_cnf_file_over(self):
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

    def test_probe_usage_errors_reach_no_object(self):
        for args in ((), ("bogus",), ("path", "extra"), ("set", "a", "b", "float", "1"), ("import",),
                     ("create",), ("running", "x")):
            with self.subTest(args=args):
                status, fields, lines = self.probe_journal(*args)
                self.assertEqual((status, fields, lines), (2, {}, []))


if __name__ == "__main__":
    unittest.main(verbosity=2)
