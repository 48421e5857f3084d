"""The listening part that the tests' own servers share: a socket on
127.0.0.1 with a free port, one thread per accepted connection, and a stop
that ends the accepting and waits for the connections' threads."""

import socket
import threading


class LoopbackServer:
    def __init__(self):
        self._stopping = threading.Event()
        self._listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self._listener.bind(("127.0.0.1", 0))
        self._listener.listen(16)
        self._listener.settimeout(0.2)
        self.port = self._listener.getsockname()[1]
        self._threads = []
        self._acceptor = threading.Thread(target=self._accept_loop, daemon=True)
        self._acceptor.start()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def stop(self):
        self._stopping.set()
        self._acceptor.join(timeout=5)
        for thread in self._threads:
            thread.join(timeout=5)
        self._listener.close()

    def handle(self, connection):
        """Serves one accepted connection, in a thread of its own."""
        raise NotImplementedError

    def _accept_loop(self):
        while not self._stopping.is_set():
            try:
                connection, _ = self._listener.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            thread = threading.Thread(target=self.handle, args=(connection,), daemon=True)
            self._threads.append(thread)
            thread.start()
