"""Real servers the tests start on 127.0.0.1 and stop by process id:
`python3 -m http.server`, nginx (Debian's nginx-light) and tinyproxy. Each
gets a free port and its own configuration, pid and log files in a folder
of the test's; nothing listens beyond loopback.

    with start_nginx(root, folder) as web:
        web.url("/zorv/distribution/win32/zorv3.lst")
        web.log_lines()            # the access log
"""

import os
import shutil
import signal
import socket
import subprocess
import sys
import time

from zorvtest.scripted_server import free_port
from zorvtest.session import HarnessError


class ServerProcess:
    """One server process, its port and its log."""

    def __init__(self, name, popen, port, log_path):
        self.name = name
        self.popen = popen
        self.port = port
        self.log_path = log_path

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    @property
    def address(self):
        return "127.0.0.1:%d" % self.port

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def log_lines(self):
        if not os.path.isfile(self.log_path):
            return []
        with open(self.log_path, encoding="utf-8", errors="replace") as f:
            return f.read().splitlines()

    def stop(self):
        if self.popen.poll() is None:
            self.popen.send_signal(signal.SIGTERM)
            try:
                self.popen.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.popen.kill()
                self.popen.wait(timeout=10)

    def wait_listening(self, timeout=20):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.popen.poll() is not None:
                raise HarnessError("%s ended at once (%d); see %s" % (self.name, self.popen.returncode, self.log_path))
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=0.5).close()
                return self
            except OSError:
                time.sleep(0.1)
        self.stop()
        raise HarnessError("%s did not listen on %d within %d s" % (self.name, self.port, timeout))


def _require(program):
    path = shutil.which(program) or shutil.which(program, path="/usr/sbin:/usr/bin")
    if path is None:
        raise HarnessError("%s is not installed (scripts/setup.sh installs it)" % program)
    return path


def _start(name, args, port, output_path, log_path):
    output = open(output_path, "wb")
    try:
        popen = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT)
    finally:
        output.close()
    return ServerProcess(name, popen, port, log_path).wait_listening()


def start_python_http(root, folder):
    """python3 -m http.server serving root; its log is its output."""
    os.makedirs(folder, exist_ok=True)
    port = free_port()
    log = os.path.join(folder, "http-server.log")
    args = [sys.executable, "-m", "http.server", str(port), "--bind", "127.0.0.1", "--directory", root]
    return _start("http.server", args, port, log, log)


NGINX_CONFIG = """\
worker_processes 1;
daemon off;
pid {folder}/nginx.pid;
error_log {folder}/error.log;
events {{ worker_connections 64; }}
http {{
    log_format probe '$remote_addr "$request" $status $body_bytes_sent "$http_user_agent" "$http_via"';
    access_log {folder}/access.log probe;
    client_body_temp_path {folder}/temp/body;
    proxy_temp_path {folder}/temp/proxy;
    fastcgi_temp_path {folder}/temp/fastcgi;
    uwsgi_temp_path {folder}/temp/uwsgi;
    scgi_temp_path {folder}/temp/scgi;
    default_type application/octet-stream;
    server {{
        listen 127.0.0.1:{port};
        root {root};
    }}
}}
"""


def start_nginx(root, folder):
    """nginx serving root; log_lines() is its access log, one line a request:
    address "request line" status bytes "User-Agent" "Via"."""
    nginx = _require("nginx")
    os.makedirs(os.path.join(folder, "temp"), exist_ok=True)
    port = free_port()
    config = os.path.join(folder, "nginx.conf")
    with open(config, "w") as f:
        f.write(NGINX_CONFIG.format(folder=folder, port=port, root=root))
    args = [nginx, "-e", os.path.join(folder, "error.log"), "-p", folder, "-c", config]
    return _start("nginx", args, port, os.path.join(folder, "nginx.out"), os.path.join(folder, "access.log"))


TINYPROXY_CONFIG = """\
Port {port}
Listen 127.0.0.1
Timeout 60
LogFile "{folder}/tinyproxy.log"
LogLevel Info
PidFile "{folder}/tinyproxy.pid"
MaxClients 16
Allow 127.0.0.1
"""


def start_tinyproxy(folder):
    """tinyproxy in the foreground; log_lines() is its log, where each
    request line appears as 'Request (file descriptor N): GET ... HTTP/1.0'."""
    tinyproxy = _require("tinyproxy")
    os.makedirs(folder, exist_ok=True)
    port = free_port()
    config = os.path.join(folder, "tinyproxy.conf")
    with open(config, "w") as f:
        f.write(TINYPROXY_CONFIG.format(folder=folder, port=port))
    args = [tinyproxy, "-d", "-c", config]
    return _start("tinyproxy", args, port, os.path.join(folder, "tinyproxy.out"),
                  os.path.join(folder, "tinyproxy.log"))


def proxied_request_lines(proxy):
    """The request lines tinyproxy received, in order."""
    marker = "]: Request (file descriptor "
    lines = []
    for line in proxy.log_lines():
        at = line.find(marker)
        if at >= 0:
            lines.append(line[line.index("): ", at) + 3:])
    return lines
