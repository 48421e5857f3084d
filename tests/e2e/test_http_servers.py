"""The HTTP transfer against real servers on 127.0.0.1: python3 -m
http.server, nginx, and nginx through tinyproxy. Files are fetched with
transfer_probe.exe, one transfer for all of them as the installer does, and
compared byte for byte."""

import os
import random
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.case import SessionTestCase  # noqa: E402
from zorvtest.probe import CONNECTED, CONNECTING, DONE, READING, RESOLVING, http_probe  # noqa: E402
from zorvtest.servers import (proxied_request_lines, start_nginx, start_python_http,  # noqa: E402
                              start_tinyproxy)

DIST_PATH = "/zorv/distribution/win32"


class RealServersTest(SessionTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.folder = os.path.join(cls.session.root, "servers")
        cls.root = os.path.join(cls.folder, "www")
        dist = os.path.join(cls.root, *DIST_PATH.strip("/").split("/"))
        os.makedirs(dist)
        generator = random.Random(20240301)
        cls.files = {
            "zorv3.lst": b"T,311296\r\nI,client.dll,307200,3.1.0.7,client\r\nL,ZORV Client,client\\zorvc.exe\r\n",
            "client.dll": bytes(generator.getrandbits(8) for _ in range(307200)),
            "empty.txt": b"",
        }
        for name, data in cls.files.items():
            with open(os.path.join(dist, name), "wb") as f:
                f.write(data)
        os.makedirs(cls.session.drive_c("real"), exist_ok=True)

    def fetch_all(self, web, label, *options):
        """Every file with one transfer; returns the probe's run."""
        names = list(self.files)
        args = []
        for name in names[1:]:
            args += ["--then", web.url(DIST_PATH + "/" + name), "C:\\real\\%s-%s" % (label, name)]
        run = http_probe(self.session, web.url(DIST_PATH + "/" + names[0]), "C:\\real\\%s-%s" % (label, names[0]),
                         *(list(options) + args), "--timeout", "120", timeout=180)
        self.assertEqual(run.returncode, 0, run.output)
        self.assertEqual(len(run.fetches), len(names))
        for name, fetch in zip(names, run.fetches):
            with self.subTest(name=name):
                self.assertEqual(fetch.started, 1)
                self.assertEqual(fetch.statuses[:3], [RESOLVING, CONNECTING, CONNECTED])
                self.assertEqual(set(fetch.statuses[3:-1]), {READING})
                self.assertEqual(fetch.ends, [DONE])
                last = fetch.reports[-1]
                self.assertRegex(last.line, r"^HTTP/1\.[01] 200 ")
                self.assertEqual(last.received, len(self.files[name]))
                self.assertEqual(last.length, len(self.files[name]))
                with open(self.session.drive_c("real", "%s-%s" % (label, name)), "rb") as f:
                    self.assertEqual(f.read(), self.files[name])
        return run

    def test_python_http_server(self):
        with start_python_http(self.root, os.path.join(self.folder, "python")) as web:
            self.fetch_all(web, "python")
            log = "\n".join(web.log_lines())
        for name in self.files:
            self.assertIn('"GET %s/%s HTTP/1.0" 200' % (DIST_PATH, name), log)

    def test_nginx(self):
        with start_nginx(self.root, os.path.join(self.folder, "nginx")) as web:
            self.fetch_all(web, "nginx")
            log = web.log_lines()
        self.assertEqual(log, ['127.0.0.1 "GET %s/%s HTTP/1.0" 200 %d "JQ/2" "-"' % (DIST_PATH, name, len(data))
                               for name, data in self.files.items()])

    def test_nginx_through_tinyproxy(self):
        with start_nginx(self.root, os.path.join(self.folder, "nginx-proxied")) as web, \
                start_tinyproxy(os.path.join(self.folder, "tinyproxy")) as proxy:
            run = self.fetch_all(web, "proxied", "--proxy", proxy.address)
            self.assertEqual(run.set_proxy, 1)
            proxied = proxied_request_lines(proxy)
            access = web.log_lines()
        # The proxy saw request lines with the whole URL ...
        self.assertEqual(proxied, ["GET %s HTTP/1.0" % web.url(DIST_PATH + "/" + name) for name in self.files])
        # ... and every request that reached the server came through it.
        self.assertEqual(len(access), len(self.files))
        for name, line in zip(self.files, access):
            self.assertRegex(line, r'^127\.0\.0\.1 "GET %s/%s HTTP/1\.[01]" 200 \d+ "JQ/2" "[^"]*tinyproxy[^"]*"$'
                             % (re.escape(DIST_PATH), re.escape(name)))


if __name__ == "__main__":
    unittest.main(verbosity=2)
