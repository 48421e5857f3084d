"""A small HTTP/1.0 server of the tests that serves a folder and records the
raw bytes of every request; single paths can be given a scripted answer
(an error page, a cut body, silence, a body that stops half-way)."""

import os
import time

from zorvtest.loopback_server import LoopbackServer


class DistributionServer(LoopbackServer):
    def __init__(self, root):
        self.root = root
        # path -> bytes to send instead of the file, "silent", ("then silent",
        # bytes): send the bytes, then keep the connection open without a word,
        # or a function(connection, stopping) that answers by itself
        self.answers = {}
        self.requests = []
        super().__init__()

    def url(self, path=""):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def handle(self, connection):
        self._serve(connection)

    def _serve(self, connection):
        try:
            connection.settimeout(10)
            request = b""
            while b"\r\n\r\n" not in request:
                chunk = connection.recv(4096)
                if not chunk:
                    return
                request += chunk
            self.requests.append(request)
            path = request.split(b" ")[1].decode("latin-1")
            answer = self.answers.get(path)
            if answer == "silent":
                answer = ("then silent", b"")
            if callable(answer):
                answer(connection, self._stopping)
                return
            if isinstance(answer, tuple):
                connection.sendall(answer[1])
                deadline = time.time() + 60
                while time.time() < deadline and not self._stopping.is_set():
                    time.sleep(0.1)
                return
            if answer is None:
                answer = self._file_answer(path)
            connection.sendall(answer)
        except OSError:
            pass
        finally:
            connection.close()

    def _file_answer(self, path):
        local = os.path.join(self.root, path.lstrip("/"))
        if not os.path.isfile(local):
            return b"HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"
        with open(local, "rb") as f:
            body = f.read()
        return b"HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n" % len(body) + body


def streaming(head, total, chunk=b"\0" * 65536):
    """An answer that sends head, then total bytes as fast as the peer reads
    them (an endless stream when total is None), until the peer closes."""
    def answer(connection, stopping):
        connection.sendall(head)
        sent = 0
        while not stopping.is_set() and (total is None or sent < total):
            part = chunk if total is None else chunk[:total - sent]
            connection.sendall(part)
            sent += len(part)
    return answer
