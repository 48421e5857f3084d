"""The proxy page (template 103): what it proposes from the user's Internet
Settings, the enable rule, the port check that vetoes Next, and Back and Next
keeping the choice. The settings are written into the test prefix's registry
before each start of the installer, since the page reads them once a run."""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.case import FOLDER, PROXY, READY, SessionTestCase  # noqa: E402

SETTINGS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings"
NONE, USE, HOST, PORT = 1001, 1002, 1003, 1004


class ProxyPageTest(SessionTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # A client folder for the finishing after each cancel, so that it has
        # nothing to report.
        client = cls.session.unix_path("C:\\Program Files\\Brenix\\ZORV3\\client")
        os.makedirs(client, exist_ok=True)
        open(os.path.join(client, "zorvc.ini"), "w").close()

    def settings(self, proxy_server=None, proxy_enable=None):
        self.session.reg_delete(SETTINGS, "ProxyServer")
        self.session.reg_delete(SETTINGS, "ProxyEnable")
        if proxy_server is not None:
            self.session.reg_add(SETTINGS, "ProxyServer", "REG_SZ", proxy_server)
        if proxy_enable is not None:
            self.session.reg_add(SETTINGS, "ProxyEnable", "REG_DWORD", proxy_enable)

    def open_proxy_page(self):
        installer = self.start_wizard()
        self.session.press("next")
        self.session.wait_page(FOLDER)
        self.session.press("next")
        self.session.wait_page(PROXY)
        return installer

    def state(self):
        s = self.session
        return {
            "use": s.flag("checked", USE),
            "none": s.flag("checked", NONE),
            "host": s.text(HOST),
            "port": s.text(PORT),
            "enabled": (s.flag("enabled", HOST), s.flag("enabled", PORT)),
        }

    def assert_page(self, use, host, port):
        """The radio buttons, the fields, and the enable rule that follows the choice."""
        expected = {"use": use, "none": not use, "host": host, "port": port, "enabled": (use, use)}
        deadline = time.time() + 5
        seen = self.state()
        while seen != expected and time.time() < deadline:
            time.sleep(0.05)
            seen = self.state()
        self.assertEqual(seen, expected)

    def assert_next_vetoed(self):
        self.assertEqual(int(self.session.driver("press-settled", "next", 10)), PROXY, "Next is vetoed silently")
        self.session.driver("no-msgbox")

    def next_to_ready(self):
        self.session.press("next")
        self.session.wait_page(READY)

    def back_to_proxy(self):
        self.session.press("back")
        self.session.wait_page(PROXY)

    def proposal(self, proxy_server, proxy_enable, use, host, port):
        self.settings(proxy_server, proxy_enable)
        installer = self.open_proxy_page()
        self.assert_page(use, host, port)
        return installer

    # -- proposals -----------------------------------------------------------------
    def test_enabled_proxy_is_selected_and_next_goes_on(self):
        installer = self.proposal("proxy.example:880", 1, True, "proxy.example", "880")
        self.next_to_ready()
        self.back_to_proxy()
        self.assert_page(True, "proxy.example", "880")
        self.cancel_wizard(installer)

    def test_the_http_entry_is_found_ignoring_case(self):
        installer = self.proposal("ftp=f.example:21;HTTP=h.example:312;https=s.example:443", None,
                                  False, "h.example", "312")
        self.cancel_wizard(installer)

    def test_local_proxies_are_shown_but_not_selected(self):
        # One host the local rule matches and one it does not: the rule's
        # values are the proxy setting's unit tests.
        for value, use in (("LOCALHOST.localdomain:8080", False), ("10.1.2.3:80", True)):
            with self.subTest(value=value):
                host, port = value.split(":")
                installer = self.proposal(value, 1, use, host, port)
                self.cancel_wizard(installer)

    def test_proxy_enable_alone_selects_empty_fields(self):
        installer = self.proposal(None, 1, True, "", "")
        # No port: Next keeps the page until one is typed.
        self.assert_next_vetoed()
        self.session.driver("set-text", HOST, "typed.example")
        self.assert_next_vetoed()
        self.session.driver("set-text", PORT, "8080")
        self.next_to_ready()
        self.cancel_wizard(installer)

    def test_no_settings_and_unusable_values(self):
        cases = (
            (None, None, False, "", ""),                   # nothing to propose
            ("proxy.example:880", 0, False, "proxy.example", "880"),
            ("p" * 290 + ":880", 1, True, "", ""),         # too long to read: ProxyEnable alone
        )
        for proxy_server, proxy_enable, use, host, port in cases:
            with self.subTest(proxy_server=(proxy_server or "")[:40], proxy_enable=proxy_enable):
                installer = self.proposal(proxy_server, proxy_enable, use, host, port)
                self.cancel_wizard(installer)

    # -- the port and the host on Next ---------------------------------------------------
    def test_value_without_port_vetoes_next_until_a_port_is_typed(self):
        installer = self.proposal("proxy.example", 1, True, "proxy.example", "")
        self.assert_next_vetoed()
        for bad in ("   ", "880x", "-1", "4294967296"):
            with self.subTest(port=bad):
                self.session.driver("set-text", PORT, bad)
                self.assert_next_vetoed()
        # Blanks before the digits are accepted.
        self.session.driver("set-text", PORT, "  880")
        self.next_to_ready()
        self.back_to_proxy()
        self.assert_page(True, "proxy.example", "  880")
        self.cancel_wizard(installer)

    def test_ports_without_range_check_and_an_empty_host(self):
        installer = self.proposal("proxy.example:880", 1, True, "proxy.example", "880")
        for port in ("0", "70000", "4294967295"):
            with self.subTest(port=port):
                self.session.driver("set-text", PORT, port)
                self.next_to_ready()
                self.back_to_proxy()
        self.session.driver("set-text", HOST, "")
        self.session.driver("set-text", PORT, "312")
        self.next_to_ready()
        self.back_to_proxy()
        self.assert_page(True, "", "312")
        self.cancel_wizard(installer)

    def test_host_too_long_for_its_port_is_refused(self):
        installer = self.proposal("proxy.example:880", 1, True, "proxy.example", "880")
        # 507 characters, ":" and 880 fill the 511 of the address exactly.
        self.session.driver("set-text", HOST, "h" * 508)
        self.assert_next_vetoed()
        self.session.driver("set-text", HOST, "h" * 507)
        self.next_to_ready()
        self.cancel_wizard(installer)

    # -- the choice, Back and Next ---------------------------------------------------
    def test_back_and_next_keep_the_choice(self):
        installer = self.proposal("proxy.example:880", 1, True, "proxy.example", "880")
        # Choosing "Don't use" disables the fields but keeps their text.
        self.session.driver("click", NONE)
        self.assert_page(False, "proxy.example", "880")
        self.next_to_ready()
        self.back_to_proxy()
        self.assert_page(False, "proxy.example", "880")
        # With no proxy an empty port is no reason to stay.
        self.session.driver("set-text", PORT, "")
        self.next_to_ready()
        self.back_to_proxy()
        self.session.driver("click", USE)
        self.assert_page(True, "proxy.example", "")
        self.assert_next_vetoed()
        self.session.driver("set-text", PORT, "3128")
        self.next_to_ready()
        self.back_to_proxy()
        self.assert_page(True, "proxy.example", "3128")
        # Back to the folder page and forward again: the page is not read anew.
        self.session.press("back")
        self.session.wait_page(FOLDER)
        self.session.press("next")
        self.session.wait_page(PROXY)
        self.assert_page(True, "proxy.example", "3128")
        self.cancel_wizard(installer)


if __name__ == "__main__":
    unittest.main(verbosity=2)
