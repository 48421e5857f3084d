"""A TCP server of the tests on 127.0.0.1 that misbehaves on purpose.

Each accepted connection first has its request read (up to the empty line
that ends it, and whatever else comes within a moment), then is answered by
a script: a list of steps

    ("send", bytes)      send the bytes (no delay: each send is its own segment)
    ("pause", seconds)   wait
    ("close",)           close normally
    ("reset",)           close with a reset (RST) instead
    ("hold", seconds)    keep the connection open without sending, until the
                         peer closes it or the time is up

A script that ends without close or reset closes normally. With several
scripts, connection k takes script k (the last one repeats)."""

import socket
import struct
import threading
import time

from zorvtest.loopback_server import LoopbackServer


def free_port():
    """A port on 127.0.0.1 where nothing listens (at the moment of asking)."""
    probe = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    return port


def response(status_line, headers=(), body=b"", line_end=b"\r\n"):
    """A response as bytes: the status line, header lines and body."""
    head = status_line.encode() + line_end
    for header in headers:
        head += header.encode() + line_end
    return head + line_end + body


class ScriptedServer(LoopbackServer):
    REQUEST_WAIT = 5.0     # longest wait for a request's empty line
    AFTER_REQUEST = 0.2    # how long anything sent behind it is still collected

    def __init__(self, *scripts):
        self.scripts = [list(s) for s in scripts] or [[]]
        self.requests = []        # the bytes each connection sent before its answer
        self.peer_closed = []     # per held connection: whether the peer closed it
        self.connections = 0
        self._lock = threading.Lock()
        super().__init__()

    def wait_connections(self, count, timeout):
        deadline = time.time() + timeout
        while time.time() < deadline:
            with self._lock:
                if len(self.requests) >= count:
                    return True
            time.sleep(0.05)
        return False

    # -- inside -----------------------------------------------------------
    def handle(self, connection):
        with self._lock:
            index = self.connections
            self.connections += 1
        self._serve(connection, self.scripts[min(index, len(self.scripts) - 1)])

    def _read_request(self, connection):
        data = b""
        deadline = time.time() + self.REQUEST_WAIT
        while b"\r\n\r\n" not in data and time.time() < deadline:
            connection.settimeout(max(0.01, deadline - time.time()))
            try:
                chunk = connection.recv(4096)
            except socket.timeout:
                break
            if not chunk:
                return data
            data += chunk
        # Anything sent behind the empty line counts too.
        connection.settimeout(self.AFTER_REQUEST)
        try:
            while True:
                chunk = connection.recv(4096)
                if not chunk:
                    break
                data += chunk
        except socket.timeout:
            pass
        return data

    def _serve(self, connection, script):
        connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        try:
            request = self._read_request(connection)
            with self._lock:
                self.requests.append(request)
            for step in script:
                if self._stopping.is_set():
                    break
                kind = step[0]
                if kind == "send":
                    connection.sendall(step[1])
                elif kind == "pause":
                    time.sleep(step[1])
                elif kind == "hold":
                    self._hold(connection, step[1])
                elif kind == "reset":
                    connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                    break
                elif kind == "close":
                    break
        except OSError:
            pass
        finally:
            connection.close()

    def _hold(self, connection, seconds):
        deadline = time.time() + seconds
        closed = False
        while time.time() < deadline and not self._stopping.is_set():
            connection.settimeout(0.1)
            try:
                if connection.recv(4096) == b"":
                    closed = True
                    break
            except socket.timeout:
                continue
            except OSError:
                closed = True
                break
        with self._lock:
            self.peer_closed.append(closed)
