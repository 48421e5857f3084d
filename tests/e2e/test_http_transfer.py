"""The HTTP transfer and the socket dispatcher under Wine, through
transfer_probe.exe, against a scripted server on 127.0.0.1 that misbehaves
on purpose."""

import os
import socket
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zorvtest.case import SessionTestCase  # noqa: E402
from zorvtest.probe import (CONNECTED, CONNECTING, DONE, ERROR, READING, RESOLVING,  # noqa: E402
                            http_probe, run_probe)
from zorvtest.scripted_server import ScriptedServer, free_port, response  # noqa: E402

LIST_PATH = "/zorv/distribution/win32/zorv3.lst"
# A label longer than 63 characters: the resolver refuses the name itself,
# so no name server is ever asked.
UNKNOWN_HOST = "x" * 70 + ".invalid"


def request_for(target):
    return ("GET %s HTTP/1.0\r\nPragma: no-cache\r\nUser-Agent: JQ/2\r\n\r\n" % target).encode()


def body_of(size, seed=7):
    return bytes((i * 31 + seed) % 251 for i in range(size))


class HttpTransferTest(SessionTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        os.makedirs(cls.session.drive_c("probe"), exist_ok=True)

    def destination(self, name):
        return "C:\\probe\\" + name

    def written(self, name):
        with open(self.session.drive_c("probe", name), "rb") as f:
            return f.read()

    def url(self, server, path=LIST_PATH):
        return "http://127.0.0.1:%d%s" % (server.port, path)

    def reading(self, fetch):
        return [(r.last, r.received, r.length) for r in fetch.reports if r.status == READING]

    def assert_one_end(self, fetch, end):
        """Exactly one end report, the given one, and nothing after it."""
        self.assertEqual(fetch.ends, [end], fetch.lines)
        self.assertEqual(fetch.reports[-1].status, end, fetch.lines)

    def assert_regular_fetch(self, fetch):
        """Lookup, connection, request sent, then reads and one Done."""
        self.assertEqual(fetch.started, 1, fetch.lines)
        self.assertEqual(fetch.statuses[:3], [RESOLVING, CONNECTING, CONNECTED], fetch.lines)
        self.assertTrue(all(s == READING for s in fetch.statuses[3:-1]), fetch.lines)
        self.assert_one_end(fetch, DONE)

    # -- the request -----------------------------------------------------------
    def test_requests_are_the_three_lines_and_the_empty_line(self):
        answer = [("send", response("HTTP/1.0 200 OK", ["Content-Length: 2"], b"ok"))]
        with ScriptedServer(answer) as server:
            run = http_probe(self.session, self.url(server, LIST_PATH + "?x=1:2"), self.destination("r1"))
            self.assertEqual(run.returncode, 0, run.output)
            self.assert_regular_fetch(run.fetch)
            self.assertEqual(server.requests, [request_for(LIST_PATH + "?x=1:2")])
            self.assertEqual(self.written("r1"), b"ok")
            self.assertEqual(run.fetch.reports[-1].line, "HTTP/1.0 200 OK")

            # Through a proxy the request line carries the whole URL; the
            # URL's host is never looked up (it does not exist).
            whole = "http://download.zorv.example" + LIST_PATH
            run = http_probe(self.session, whole, self.destination("r2"),
                             "--proxy", "127.0.0.1:%d" % server.port)
            self.assertEqual(run.set_proxy, 1)
            self.assert_regular_fetch(run.fetch)
            self.assertEqual(server.requests[1], request_for(whole))

            # Port 0 behind the colon, or no colon at all, means a direct fetch.
            for proxy, taken in (("127.0.0.1:0", 1), ("proxyhost", 0)):
                with self.subTest(proxy=proxy):
                    count = len(server.requests)
                    run = http_probe(self.session, self.url(server), self.destination("r3"), "--proxy", proxy)
                    self.assertEqual(run.set_proxy, taken)
                    self.assert_regular_fetch(run.fetch)
                    self.assertEqual(server.requests[count], request_for(LIST_PATH))

    # -- the header over several reads ------------------------------------------
    def test_header_split_over_several_reads(self):
        script = [("send", b"HTTP/1.0 200 OK\r\nCont"), ("pause", 0.4),
                  ("send", b"ent-Length: 1"), ("pause", 0.4),
                  ("send", b"1\r\n\r"), ("pause", 0.4),
                  ("send", b"\nhello world"), ("close",)]
        with ScriptedServer(script) as server:
            run = http_probe(self.session, self.url(server), self.destination("split"))
        self.assert_regular_fetch(run.fetch)
        # Nothing is body until the LF of the empty line; the body starts
        # behind it, in the read in which it came. The length grows digit by digit.
        self.assertEqual(self.reading(run.fetch),
                         [(0, 0, -1), (0, 0, 1), (0, 0, 11), (11, 11, 11), (0, 11, 11)])
        self.assertEqual({r.line for r in run.fetch.reports[3:]}, {"HTTP/1.0 200 OK"})
        self.assertEqual(self.written("split"), b"hello world")

    def test_header_ending_exactly_at_a_read_end(self):
        script = [("send", b"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n"), ("pause", 0.5),
                  ("send", b"abcde"), ("close",)]
        with ScriptedServer(script) as server:
            run = http_probe(self.session, self.url(server), self.destination("exact"))
        self.assert_regular_fetch(run.fetch)
        self.assertEqual(self.reading(run.fetch), [(0, 0, 5), (5, 5, 5), (0, 5, 5)])
        self.assertEqual(self.written("exact"), b"abcde")

    def test_without_content_length(self):
        body = body_of(3000)
        answer = [("send", response("HTTP/1.0 200 OK", ["Server: scripted"], body))]
        with ScriptedServer(answer) as server:
            run = http_probe(self.session, self.url(server), self.destination("nolength"))
        self.assert_regular_fetch(run.fetch)
        self.assertEqual({r.length for r in run.fetch.reports}, {-1})
        self.assertEqual(run.fetch.reports[-1].received, 3000)
        self.assertEqual(self.written("nolength"), body)

    def test_content_length_spellings(self):
        cases = [
            ("Content-Length: 10240", 10240),
            ("content-Length: 7", 7),            # a lower-case first letter is recognised
            ("Content-length: 7", -1),           # a lower-case l after the hyphen is not
            ("Content-Length:7", -1),            # nor without the blank
            ("Content-Length:  7", -1),          # nor with two
            ("h: 42", 42),                       # the table's odd acceptances
            ("12", -8),                          # -1 * 10 + 2
            ("Content-Length: 99999999999999999999", 0x630FFFFF),  # wraps, never overflows
        ]
        scripts = [[("send", response("HTTP/1.0 200 OK", [line], b"fives"))] for line, _ in cases]
        with ScriptedServer(*scripts) as server:
            # One transfer for all of them, as the installer uses one.
            options = []
            for k in range(1, len(cases)):
                options += ["--then", self.url(server), self.destination("cl%d" % k)]
            run = http_probe(self.session, self.url(server), self.destination("cl0"), *options)
        self.assertEqual(run.returncode, 0, run.output)
        self.assertEqual(len(run.fetches), len(cases))
        for k, (line, expected) in enumerate(cases):
            with self.subTest(line=line):
                self.assert_regular_fetch(run.fetches[k])
                self.assertEqual(run.fetches[k].reports[-1].length, expected)
                self.assertEqual(self.written("cl%d" % k), b"fives")

    def test_lines_ended_by_lf_alone(self):
        scripts = [
            [("send", b"HTTP/1.0 200 OK\nServer: x\n\nbody")],
            # The Content-Length line still matches at its LF, so the scanner
            # skips the next line: the empty one. The header's end is missed.
            [("send", b"HTTP/1.0 200 OK\nContent-Length: 4\n\nbody")],
        ]
        with ScriptedServer(*scripts) as server:
            run = http_probe(self.session, self.url(server), self.destination("lf0"),
                             "--then", self.url(server), self.destination("lf1"))
        first, second = run.fetches
        self.assert_regular_fetch(first)
        self.assertEqual(self.written("lf0"), b"body")
        self.assertEqual(first.reports[-1].line, "HTTP/1.0 200 OK")
        # A response whose header never ended is no response: Error.
        self.assertEqual(second.statuses[:3], [RESOLVING, CONNECTING, CONNECTED], second.lines)
        self.assert_one_end(second, ERROR)
        self.assertEqual((second.reports[-1].received, second.reports[-1].length), (0, 4))
        self.assertEqual(self.written("lf1"), b"")

    def test_a_header_that_never_ends_is_an_error(self):
        padding = b"".join(b"X-Padding-%06d: %s\r\n" % (i, b"p" * 80) for i in range(2500))   # 250 KB
        scripts = [
            [("send", b"HTTP/1.0 200 OK\r\nServer: cut\r\n"), ("close",)],
            [("send", b"HTTP/1.0 200 OK\r\n" + padding), ("hold", 20)],
        ]
        with ScriptedServer(*scripts) as server:
            cut = http_probe(self.session, self.url(server), self.destination("cut"))
            started = time.time()
            endless = http_probe(self.session, self.url(server), self.destination("endless"), "--timeout", "20")
            self.assertLess(time.time() - started, 15)
            # After the Error nothing more is read: the connection is dropped.
            deadline = time.time() + 10
            while not server.peer_closed and time.time() < deadline:
                time.sleep(0.1)
            self.assertEqual(server.peer_closed, [True])
        for run, name in ((cut, "cut"), (endless, "endless")):
            with self.subTest(name):
                self.assertFalse(run.timed_out, run.output)
                self.assert_one_end(run.fetch, ERROR)
                self.assertEqual(run.fetch.reports[-1].line, "HTTP/1.0 200 OK")
                self.assertEqual(run.fetch.reports[-1].received, 0)
                self.assertFalse(run.open_at_end, "a failed fetch holds no file")
                self.assertEqual(self.written(name), b"")
        # Reading stopped soon after the header passed 64 KiB.
        reads = [r for r in endless.fetch.reports if r.status == READING]
        self.assertLess(len(reads), 64 * 1024 // 4096 + 3, endless.fetch.lines)

    # -- the close -------------------------------------------------------------
    def test_close_while_10000_bytes_are_unread(self):
        body = body_of(10000)
        script = [("send", b"HTTP/1.0 200 OK\r\nContent-Length: 10000\r\n\r\n"), ("pause", 0.5),
                  ("send", body), ("close",)]
        with ScriptedServer(script, script) as server:
            # Wine tells of the close only once the data has been read: the
            # chunks come with read events, and the drain at the close reads 0.
            run = http_probe(self.session, self.url(server), self.destination("wine-close"))
            self.assert_regular_fetch(run.fetch)
            self.assertEqual([last for last, _, _ in self.reading(run.fetch)], [0, 4096, 4096, 1808, 0])
            self.assertEqual(run.fetch.reports[-1].last, 0)
            self.assertEqual(self.written("wine-close"), body)

            # Windows may tell of it while the data waits: the probe posts the
            # close to the dispatcher right after the header and lets the body
            # arrive. The close step drains 4096, 4096 and 1808 bytes, then a
            # read of 0, then Done.
            run = http_probe(self.session, self.url(server), self.destination("early-close"),
                             "--close-after-header", "1500")
        self.assert_regular_fetch(run.fetch)
        after_close = run.fetch.lines[run.fetch.lines.index("close posted") + 1:]
        self.assertEqual([line.split()[1:3] for line in after_close if line.startswith("report")],
                         [["status=5", "last=4096"], ["status=5", "last=4096"], ["status=5", "last=1808"],
                          ["status=5", "last=0"], ["status=6", "last=0"]])
        self.assertEqual(run.fetch.reports[-1].received, 10000)
        self.assertEqual(self.written("early-close"), body)
        self.assertFalse(run.open_at_end)

    def test_close_while_header_reads_are_unread(self):
        # A header of five reads' length: at the close, more than one read of
        # header alone still waits; the drain reads on to the end of the data.
        padding = b"".join(b"X-Padding-%04d: %s\r\n" % (i, b"p" * 80) for i in range(200))
        head = b"HTTP/1.0 200 OK\r\nContent-Length: 3000\r\n" + padding + b"\r\n"
        self.assertGreater(len(head), 4 * 4096)
        body = body_of(3000)
        script = [("send", head), ("pause", 0.5), ("send", body), ("close",)]
        with ScriptedServer(script) as server:
            run = http_probe(self.session, self.url(server), self.destination("long-head"),
                             "--close-after-header", "1500")
        self.assert_regular_fetch(run.fetch)
        self.assertEqual(run.fetch.reports[-1].received, 3000)
        self.assertEqual(self.written("long-head"), body)

    def test_reset_connection(self):
        head = b"HTTP/1.0 200 OK\r\nContent-Length: 10000\r\n\r\n"
        body = body_of(3000)
        # A close notification with an error code, as Windows delivers a reset:
        # Error alone; the failed fetch closes its destination and drops the
        # connection at once.
        with ScriptedServer([("send", head + body), ("hold", 20)]) as server:
            run = http_probe(self.session, self.url(server), self.destination("reset"),
                             "--close-after-header", "300", "--close-error", "10054")
            self.assertEqual(run.returncode, 1, run.output)
            self.assertEqual(run.fetch.statuses[-2:], [READING, ERROR], run.fetch.lines)
            self.assert_one_end(run.fetch, ERROR)
            self.assertFalse(run.open_at_end)
            self.assertFalse(run.open_after_destroy)
            self.assertEqual(self.written("reset"), body)
            deadline = time.time() + 10
            while not server.peer_closed and time.time() < deadline:
                time.sleep(0.1)
            self.assertEqual(server.peer_closed, [True])

        # The server's own close after that Error: the fetch has ended once,
        # with the Error; no Done follows.
        with ScriptedServer([("send", head + body), ("pause", 1.0), ("close",)]) as server:
            run = http_probe(self.session, self.url(server), self.destination("reset-then-close"),
                             "--close-after-header", "300", "--close-error", "10054", "--linger", "2500")
        self.assert_one_end(run.fetch, ERROR)

        # A real reset: Wine reports an abortive close as a clean one (no
        # error code, the last read gives 0), so the transfer cannot tell it
        # from the end of the data there. It still ends, exactly once.
        with ScriptedServer([("send", head + body), ("pause", 0.5), ("reset",)]) as server:
            run = http_probe(self.session, self.url(server), self.destination("real-reset"), timeout=60)
        self.assertFalse(run.timed_out)
        self.assertEqual(len(run.fetch.ends), 1, run.fetch.lines)
        self.assertEqual(run.fetch.reports[-1].status, run.fetch.ends[0])

    # -- what the server answers -------------------------------------------------
    def test_404_and_302_end_with_done_and_their_status_line(self):
        scripts = [
            [("send", response("HTTP/1.0 404 Not Found", ["Content-Type: text/html"], b"<h1>404</h1>"))],
            [("send", response("HTTP/1.0 302 Found", ["Location: http://elsewhere.invalid/"], b"moved"))],
        ]
        with ScriptedServer(*scripts) as server:
            run = http_probe(self.session, self.url(server), self.destination("404"),
                             "--then", self.url(server), self.destination("302"))
        self.assertEqual(len(run.fetches), 2)
        for fetch, line, name, body in ((run.fetches[0], "HTTP/1.0 404 Not Found", "404", b"<h1>404</h1>"),
                                        (run.fetches[1], "HTTP/1.0 302 Found", "302", b"moved")):
            self.assert_regular_fetch(fetch)
            self.assertEqual(fetch.reports[-1].line, line)
            self.assertEqual(self.written(name), body)

    def test_server_that_accepts_and_never_answers(self):
        with ScriptedServer([("hold", 40)]) as server:
            started = time.time()
            run = http_probe(self.session, self.url(server), self.destination("silent"), "--timeout", "3")
            self.assertLess(time.time() - started, 30)
            # The request went out and the transfer waits; the probe's timeout
            # is the user's Cancel, which destroys it and closes the connection.
            self.assertEqual(run.returncode, 3, run.output)
            self.assertTrue(run.timed_out)
            self.assertEqual(run.fetch.ends, [])
            self.assertEqual(run.fetch.statuses, [RESOLVING, CONNECTING, CONNECTED])
            self.assertEqual(server.requests, [request_for(LIST_PATH)])
            self.assertTrue(run.open_at_end)
            self.assertFalse(run.open_after_destroy)
            deadline = time.time() + 10
            while not server.peer_closed and time.time() < deadline:
                time.sleep(0.1)
            self.assertEqual(server.peer_closed, [True])

    # -- failures that end the fetch at once -----------------------------------
    def test_refused_connection_and_unknown_host_end_in_error(self):
        cases = (
            ("refused", "http://127.0.0.1:%d/x" % free_port(), [], [RESOLVING, CONNECTING, ERROR]),
            ("unknown", "http://%s/x" % UNKNOWN_HOST, [], [RESOLVING, ERROR]),
            ("unknown-proxy", "http://127.0.0.1/x", ["--proxy", UNKNOWN_HOST + ":3128"], [RESOLVING, ERROR]),
        )
        for name, url, options, statuses in cases:
            with self.subTest(name):
                started = time.time()
                run = http_probe(self.session, url, self.destination(name), *options, "--timeout", "20")
                self.assertFalse(run.timed_out, run.output)
                self.assertLess(time.time() - started, 20)
                self.assertEqual(run.returncode, 1)
                self.assertEqual(run.fetch.started, 1)
                self.assertEqual(run.fetch.statuses, statuses)

    def test_start_failures_report_error(self):
        cases = (
            ("no-path", "http://127.0.0.1:8080", "C:\\probe\\f1"),
            ("no-scheme", "127.0.0.1/zorv3.lst", "C:\\probe\\f2"),
            ("no-folder", "http://127.0.0.1/x", "C:\\probe\\missing\\f3"),
            ("too-long", "http://127.0.0.1/" + "p" * 970, "C:\\probe\\f4"),
        )
        for name, url, destination in cases:
            with self.subTest(name):
                run = http_probe(self.session, url, destination)
                self.assertEqual(run.returncode, 1)
                # The Error is reported from inside start, before it returns 0.
                self.assertEqual(run.fetch.statuses, [ERROR])
                self.assertEqual(run.fetch.started, 0)
                lines = run.fetch.lines
                first_report = next(i for i, line in enumerate(lines) if line.startswith("report"))
                self.assertLess(first_report, lines.index("start=0"))

        # A failing start after a fetch shows no status line of the earlier one.
        with ScriptedServer([("send", response("HTTP/1.0 200 OK", [], b"x"))]) as server:
            run = http_probe(self.session, self.url(server), self.destination("f5"),
                             "--then", "http://127.0.0.1:8080", self.destination("f6"))
        self.assert_regular_fetch(run.fetches[0])
        self.assertEqual([(r.status, r.line) for r in run.fetches[1].reports], [(ERROR, "")])

    # -- the dispatcher's tables -------------------------------------------------
    def test_dispatcher_tables(self):
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.bind(("127.0.0.1", 0))
        listener.listen(16)   # connections complete in the backlog
        try:
            run = run_probe(self.session, ["dispatcher", listener.getsockname()[1], free_port()], timeout=120)
        finally:
            listener.close()
        self.assertEqual(run.returncode, 0, run.output)
        phases = {}
        current = None
        for line in run.lines:
            if line.startswith("phase "):
                current = phases.setdefault(line[len("phase "):], [])
            elif current is not None:
                current.append(line)
        self.assertIn("window 1", run.lines)
        self.assertIn("end", phases)

        self.assertEqual(phases["fill"][0], "slots 0 1 2 3 4 5 6 7")
        # A ninth connection reports (1, -1, -1) at once and gets no socket.
        self.assertEqual(phases["ninth"], ["event c8 kind=1 error=-1 value=-1", "ninth slot -1 socket -1"])
        # Freed slots are taken again, the lowest first.
        self.assertEqual(phases["reuse"][0], "new slots 3 6")
        self.assertEqual(phases["aborted"], ["event c0 kind=1 error=10053 value=32"])
        # A connection deleted inside its own event hears nothing more.
        inside = phases["delete-inside"]
        self.assertEqual([line for line in inside if line.startswith("event ")], ["event c1 kind=1 error=0 value=1"])
        self.assertIn("deleted c1 inside its event", inside)
        # A refused attempt reaches the sink once, as a close with the error.
        self.assertEqual([line for line in phases["refused"] if line.startswith("event ")],
                         ["event refused kind=1 error=10061 value=32"])

        lookups = phases["lookups"]
        self.assertNotIn("lookupB", " ".join(lookups), "a deleted lookup's reply is dropped")
        self.assertRegex(lookups[1], r"^event lookupA kind=0 error=0 value=[1-9]\d*$")
        self.assertIn("address 127.0.0.1", lookups)
        # Wine answers a lookup even after WSACancelAsyncRequest: its memory is
        # kept until that reply, then released.
        self.assertEqual(lookups[0], "kept after delete 1")
        self.assertEqual(lookups[-1], "kept after replies 0")

        table = phases["lookup-table"]
        self.assertEqual(table[:2], ["event lookup8 kind=0 error=-1 value=0", "ninth lookup slot -1"])
        self.assertEqual([line for line in table if line.startswith("event ")], table[:1])
        self.assertEqual(table[2:], ["kept after delete 8", "kept after replies 0"])

        unknown = phases["unknown-host"]
        self.assertEqual(len(unknown), 1)
        self.assertRegex(unknown[0], r"^event unknown kind=0 error=[1-9]\d* value=0$")


if __name__ == "__main__":
    unittest.main(verbosity=2)
