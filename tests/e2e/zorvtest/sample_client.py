"""A test session with the sample client in it: its server zorvclient.dll
registered in the prefix and its application zorvc.exe. Calls to its objects
go through client_probe.exe, which uses the installer's own
createClientObject and postExitBroadcast; the sample's journal,
configuration file and registry entries show what arrived."""

import os
import shutil
import time

from zorvtest.case import SessionTestCase
from zorvtest.session import WIN32_DIR, HarnessError

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


class SampleClientCase(SessionTestCase):

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
