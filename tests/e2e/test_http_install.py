"""Installing the sample distribution over HTTP: from python's http.server,
nginx and a server of the tests, through tinyproxy chosen on the proxy page,
and against servers that fail, lie or stay silent."""

import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.case import FINISH, PROXY, InstallTestCase  # noqa: E402
from zorvtest.distribution import digest_tree, write_distribution  # noqa: E402
from zorvtest.distribution_server import DistributionServer  # noqa: E402
from zorvtest.driver_watch import DriverWatch  # noqa: E402
from zorvtest.sample import DISTRIBUTION, Journal  # noqa: E402
from zorvtest.servers import proxied_request_lines, start_nginx, start_python_http, start_tinyproxy  # noqa: E402

SUCCESS = "Installation of ZORV Client V3 successfully completed!"
FAILURE = "Installation of ZORV Client V3 terminated with errors!"
PATH = "/zorv/distribution/win32"
REQUEST = b"GET %s/zorv3.lst HTTP/1.0\r\nPragma: no-cache\r\nUser-Agent: JQ/2\r\n\r\n" % PATH.encode()


class HttpInstallTest(InstallTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.web_root = os.path.join(cls.session.root, "web")
        shutil.copytree(DISTRIBUTION, cls.web_root + PATH)

    def setUp(self):
        shutil.rmtree(self.installed(), ignore_errors=True)

    def journal(self):
        return Journal(self.installed("client")).lines()

    def assert_sample_installed(self):
        for name in ("zorvclient.dll", "zorvc.exe", "zorvcore.dll"):
            with open(os.path.join(DISTRIBUTION, name), "rb") as a, open(self.installed("client", name), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)
        self.assertEqual([p for p in digest_tree(self.installed()) if p.endswith(".download")], [])

    def run_install(self, url, extra=(), before_next=None):
        installer, text = self.install(["/url", url] + list(extra), before_next=before_next)
        self.finish(installer)
        return text

    def test_python_http_server_and_the_request_bytes(self):
        with start_python_http(self.web_root, os.path.join(self.session.root, "py")) as web:
            self.assertEqual(self.run_install(web.url(PATH)), SUCCESS)
        self.assert_sample_installed()
        origins = [l for l in self.journal() if l.startswith("SetValue installer origin BSTR ")]
        self.assertEqual(origins, ["SetValue installer origin BSTR " + web.url(PATH)])

        with DistributionServer(self.web_root) as server:
            self.assertEqual(self.run_install(server.url(PATH)), SUCCESS)
            self.assertEqual(server.requests[0], REQUEST, "three lines and the empty line, nothing else")
            self.assertTrue(all(r.endswith(b" HTTP/1.0\r\nPragma: no-cache\r\nUser-Agent: JQ/2\r\n\r\n")
                                for r in server.requests))

    def test_nginx_directly_and_through_tinyproxy_chosen_on_the_proxy_page(self):
        folder = os.path.join(self.session.root, "nginx")
        with start_nginx(self.web_root, folder) as web, start_tinyproxy(os.path.join(folder, "proxy")) as proxy:
            self.assertEqual(self.run_install(web.url(PATH)), SUCCESS)
            direct = web.log_lines()
            self.assertIn('"GET %s/zorv3.lst HTTP/1.0" 200' % PATH, direct[0])
            self.assertIn('"JQ/2"', direct[0])
            self.assert_sample_installed()

            shutil.rmtree(self.installed(), ignore_errors=True)
            before = len(web.log_lines())

            def choose_proxy():
                self.session.press("back")
                self.session.wait_page(PROXY)
                self.session.driver("click", 1002)
                self.session.driver("set-text", 1003, "127.0.0.1")
                self.session.driver("set-text", 1004, str(proxy.port))
                self.session.screenshot("proxy-chosen")
                self.session.press("next")
                self.session.wait_page(104)

            self.assertEqual(self.run_install(web.url(PATH), before_next=choose_proxy), SUCCESS)
            proxied = proxied_request_lines(proxy)
            self.assertIn("GET %s HTTP/1.0" % web.url(PATH + "/zorv3.lst"), proxied)
            self.assertTrue(all(line.startswith("GET http://127.0.0.1:") for line in proxied), proxied)
            through = web.log_lines()[before:]
            self.assertTrue(through and all('"-"' not in line.rsplit(" ", 1)[-1] for line in through),
                            "every request reached nginx through the proxy: %r" % through)
        self.assert_sample_installed()
        self.assertIn("SetValue http proxy BSTR 127.0.0.1:%d" % proxy.port, self.journal())

    def test_a_failed_upgrade_leaves_the_installed_files_as_they_were(self):
        with DistributionServer(self.web_root) as server:
            self.assertEqual(self.run_install(server.url(PATH)), SUCCESS)
            before = {k: v[:2] for k, v in digest_tree(self.installed()).items()}
            # A newer zorvcore.dll is announced; the server answers with an
            # error page, then with a body cut short of its Content-Length.
            with open(os.path.join(self.web_root + PATH, "zorv3.lst"), "rb") as f:
                listed = f.read()
            newer = listed.replace(b"zorvcore.dll,13824,3.1.0.0", b"zorvcore.dll,13824,9.0.0.0")
            self.assertNotEqual(newer, listed)
            core = PATH + "/zorvcore.dll"
            server.answers[PATH + "/zorv3.lst"] = b"HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n" % len(newer) + newer
            for answer, expected in (
                    (b"HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html>gone</html>", "404"),
                    (b"HTTP/1.0 200 OK\r\nContent-Length: 13824\r\n\r\n" + b"x" * 5000, "short")):
                with self.subTest(answer=expected):
                    server.answers[core] = answer
                    installer = self.walk_to_ready(["/url", server.url(PATH), "/no-reg"])
                    self.session.press("next")
                    if expected == "404":
                        # The walk stops and shows the line until the user cancels.
                        self.session.driver("wait-text", 1006, "HTTP/1.0 404 Not Found", 60, timeout=60)
                        self.session.driver("click", 2)
                    self.session.wait_page(FINISH, timeout=120)
                    self.assertEqual(self.session.text(1006), FAILURE)
                    self.finish(installer)
                    after = {k: v[:2] for k, v in digest_tree(self.installed()).items()}
                    for name in before:
                        if name not in ("client/zorv3.lst", "client/journal.txt", "client/zorvc.ini"):
                            self.assertEqual(after.get(name), before[name], name)
                    self.assertEqual([p for p in after if p.endswith(".download")], [])

    def test_a_redirect_stops_the_walk_and_shows_its_line(self):
        with DistributionServer(self.web_root) as server:
            server.answers[PATH + "/zorv3.lst"] = b"HTTP/1.0 302 Found\r\nLocation: http://elsewhere/\r\n\r\n"
            installer = self.walk_to_ready(["/url", server.url(PATH)])
            self.session.press("next")
            self.assertEqual(self.session.driver("wait-text", 1006, "HTTP/1.0 302", 30, timeout=30), "HTTP/1.0 302 Found")
            self.session.driver("click", 2)
            self.session.driver("wait-progress-gone", 20, timeout=20)
            self.session.wait_page(FINISH)
            self.assertEqual(self.session.text(1006), FAILURE)
            self.finish(installer)

    def wait_pixels(self, control_id, name, condition, what, timeout=10):
        """The control's pixels on the screen once condition holds for them
        (the screen follows a paint a little later)."""
        deadline = time.time() + timeout
        while True:
            pixels = self.session.control_pixels(control_id, name)
            if condition(pixels):
                return pixels
            if time.time() > deadline:
                self.fail("timed out waiting for " + what)

    def watch_status_and_counts(self):
        """Starts the driver watching the status line and the byte counts of
        the progress dialog to come; returns the watch and a function that
        waits for the dialog's end and gives each (status, counts) pair seen,
        in order."""
        watcher = DriverWatch(self.session, "watch-texts", 1006, 1008, 120)
        self.addCleanup(watcher.stop)

        def pairs():
            return [tuple(line.split("\t")[1:]) for line in watcher.lines(30) if line.count("\t") == 2]
        return watcher, pairs

    def test_byte_counts_show_the_last_chunk_while_the_server_stalls(self):
        # 10000 of 100000 bytes come at once, faster than a screen frame, then
        # nothing more: the counts describe all of them, on screen and when read.
        # The download before it ends just before: its counts are not shown
        # meanwhile, its successor's go up with their first report.
        root = os.path.join(self.session.root, "stall")
        write_distribution(root + PATH, {"first.bin": b"f" * 5000},
                           ["T,105000", "I,first.bin,5000,1.0.0.0", "I,stalled.bin,100000,1.0.0.0"])
        with open(root + PATH + "/zorv3.lst", "rb") as f:
            listed = f.read()

        watcher, watch = self.watch_status_and_counts()

        def slow_list(connection, stopping):
            # The watch has found the dialog before the first file comes.
            if not watcher.wait_output(b"watching", 30):
                return
            connection.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n" % len(listed) + listed)
        def stalled(connection, stopping):
            # The first file has ended and the next one is connected, its
            # counts still the first one's: the watch sees that before the
            # first bytes come. Then nothing more.
            self.session.driver("wait-text", 1006, "Connected...", 20, timeout=20, check=False)
            connection.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + b"s" * 10000)
            stopping.wait(60)
        with DistributionServer(root) as server:
            server.answers[PATH + "/zorv3.lst"] = slow_list
            server.answers[PATH + "/stalled.bin"] = stalled
            installer = self.walk_to_ready(["/url", server.url(PATH)])
            self.session.press("next")
            text = self.session.driver("wait-text", 1008, "9.77 KB of 97.66 KB", 30, timeout=30)
            self.assertRegex(text, r"^9\.77 KB of 97\.66 KB transfered \((9\.77 KB)?/sec\)$")
            self.assertEqual(self.session.text(1006), "Reading data...")
            # On screen: the control shows the counts, not a blank, and what
            # it shows is what a fresh paint of the last text gives.
            shown = self.wait_pixels(1008, "progress-stalled-download",
                                     lambda pixels: len({pixels[i:i + 3] for i in range(0, len(pixels), 3)}) > 1,
                                     "the counts on the screen, not a blank")
            self.session.driver("redraw", 1008)
            self.wait_pixels(1008, "progress-stalled-redrawn", lambda pixels: pixels == shown,
                             "a fresh paint to show what was shown")
            self.session.driver("click", 2)
            self.session.wait_msgbox(20)
            self.session.answer_msgbox(6)
            self.session.wait_page(FINISH)
            self.assertEqual(self.session.text(1006), FAILURE)
            self.finish(installer)
        # Once the first file has ended and the next one begun, no moment
        # shows the next one reading beside the first one's counts.
        first = "4.88 KB of 4.88 KB"
        pairs = watch()
        ended = [i for i, (status, counts) in enumerate(pairs)
                 if counts.startswith(first) and status != "Reading data..."]
        self.assertTrue(ended, "the watch saw the first file end: %r" % pairs)
        stale = [p for p in pairs[ended[0]:] if p[0] == "Reading data..." and p[1].startswith(first)]
        self.assertEqual(stale, [], "the next file read while the first one's counts showed: %r" % pairs)
        self.assertFalse(os.path.exists(self.installed("stalled.bin")))
        self.assertEqual([p for p in digest_tree(self.installed()) if p.endswith(".download")], [])

    def test_silent_refusing_and_unknown_servers_never_hang(self):
        with DistributionServer(self.web_root) as server:
            server.answers[PATH + "/zorv3.lst"] = "silent"
            installer = self.walk_to_ready(["/url", server.url(PATH)])
            self.session.press("next")
            self.session.driver("wait-text", 1006, "Connected...", 30, timeout=30)
            self.session.driver("click", 2)
            self.assertEqual(self.session.wait_msgbox(20)["text"],
                             "Do you really want to abort the installation process?")
            self.session.answer_msgbox(6)
            self.session.wait_page(FINISH)
            self.finish(installer)
        refused = DistributionServer(self.web_root)
        refused.stop()   # nothing listens on its port any more
        for url in (refused.url(PATH), "http://" + "u" * 70 + ".invalid" + PATH):
            with self.subTest(url=url[:30]):
                installer = self.walk_to_ready(["/url", url])
                self.session.press("next")
                self.session.driver("wait-text", 1006, "Error!", 60, timeout=60)
                self.assertEqual(self.cancel_stopped_installation(), FAILURE)
                self.finish(installer)


if __name__ == "__main__":
    unittest.main(verbosity=2)
