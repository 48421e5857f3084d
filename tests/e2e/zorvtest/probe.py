"""Runs transfer_probe.exe, the installer's transfer code on its own, under a
test's Wine session, and reads its output back."""

import os
import re
import subprocess

from zorvtest.session import WIN32_DIR, HarnessError, run_captured

PROBE = os.path.join(WIN32_DIR, "tests", "tools", "transfer_probe.exe")

IDLE, RESOLVING, CONNECTING, CONNECTED, SENDING, READING, DONE, ERROR = range(8)

_REPORT = re.compile(r"report status=(-?\d+) last=(-?\d+) received=(-?\d+) length=(-?\d+) line=(.*)$")


class Report:
    def __init__(self, match):
        self.status = int(match.group(1))
        self.last = int(match.group(2))
        self.received = int(match.group(3))
        self.length = int(match.group(4))
        self.line = match.group(5)

    def __repr__(self):
        return "Report(%d, last=%d, received=%d, length=%d, %r)" % (
            self.status, self.last, self.received, self.length, self.line)


class Fetch:
    """What one start of the transfer gave: its reports (those made inside
    start included) and start's result."""

    def __init__(self):
        self.reports = []
        self.started = None
        self.lines = []

    @property
    def statuses(self):
        return [r.status for r in self.reports]

    @property
    def ends(self):
        return [r.status for r in self.reports if r.status in (DONE, ERROR)]


class ProbeRun:
    def __init__(self, completed):
        self.returncode = completed.returncode
        self.output = completed.stdout.decode("cp1252", errors="replace").replace("\r\n", "\n")
        self.lines = self.output.splitlines()
        self.fetches = []
        self.timed_out = "TIMEOUT" in self.lines
        self.set_proxy = None
        self.open_at_end = None
        self.open_after_destroy = None
        for line in self.lines:
            match = _REPORT.match(line)
            if line.startswith("fetch "):
                self.fetches.append(Fetch())
            elif match:
                self.fetches[-1].reports.append(Report(match))
            elif line.startswith("start="):
                self.fetches[-1].started = int(line[len("start="):])
            elif line.startswith("setProxy="):
                self.set_proxy = int(line[len("setProxy="):])
            elif line.startswith("destination open="):
                self.open_at_end = line.endswith("=1")
            elif line.startswith("destroyed open="):
                self.open_after_destroy = line.endswith("=1")
            if self.fetches:
                self.fetches[-1].lines.append(line)

    @property
    def fetch(self):
        return self.fetches[0]


def run_probe(session, args, timeout=90):
    """Runs the probe with the given arguments; returns the ProbeRun."""
    if not os.path.isfile(PROBE):
        raise HarnessError("transfer_probe.exe not built (%s)" % PROBE)
    try:
        completed = run_captured(["wine", PROBE] + [str(a) for a in args], session.env(), timeout)
    except subprocess.TimeoutExpired:
        raise HarnessError("transfer_probe %s did not end within %d s" % (" ".join(map(str, args)), timeout))
    return ProbeRun(completed)


def http_probe(session, url, destination, *options, timeout=90):
    return run_probe(session, ["http", url, destination] + list(options), timeout=timeout)


LIST_PROBE = os.path.join(WIN32_DIR, "tests", "tools", "list_probe.exe")


def list_outcomes(session, windows_paths, timeout=120):
    """The key-built installer's check of each list as a download: its
    outcome (accepted, not-signed, older, uncheckable), in order."""
    if not os.path.isfile(LIST_PROBE):
        raise HarnessError("list_probe.exe not built (%s)" % LIST_PROBE)
    try:
        completed = run_captured(["wine", LIST_PROBE] + list(windows_paths), session.env(), timeout)
    except subprocess.TimeoutExpired:
        raise HarnessError("list_probe did not end within %d s" % timeout)
    lines = completed.stdout.decode("cp1252", errors="replace").splitlines()
    outcomes = [line.rpartition(" outcome=")[2] for line in lines if " outcome=" in line]
    if completed.returncode != 0 or len(outcomes) != len(windows_paths):
        raise HarnessError("list_probe failed (%d): %r" % (completed.returncode, lines))
    return outcomes


HASH_PROBE = os.path.join(WIN32_DIR, "tests", "tools", "hash_probe.exe")


def hash_outcomes(session, limit, windows_paths, timeout=120):
    """The installer's file hash of each file with the given limit for a hash
    on the calling thread: path -> (how: hashed, too-large or failed; the
    hex SHA-256 or ""; whether the file was held open against writers),
    and the line of a value stopped before its result."""
    if not os.path.isfile(HASH_PROBE):
        raise HarnessError("hash_probe.exe not built (%s)" % HASH_PROBE)
    try:
        completed = run_captured(["wine", HASH_PROBE, str(limit)] + list(windows_paths), session.env(), timeout)
    except subprocess.TimeoutExpired:
        raise HarnessError("hash_probe did not end within %d s" % timeout)
    lines = completed.stdout.decode("cp1252", errors="replace").splitlines()
    results = {}
    for line in lines:
        match = re.match(r"(.*) here=(\S+) value=([0-9a-f]*) held=([01])$", line)
        if match:
            results[match.group(1)] = (match.group(2), match.group(3), match.group(4) == "1")
    stopped = [line for line in lines if line.startswith("stopped ")]
    if completed.returncode != 0 or len(results) != len(windows_paths) or len(stopped) != 1:
        raise HarnessError("hash_probe failed (%d): %r" % (completed.returncode, lines))
    return results, stopped[0]
