"""The benchmark: how fast installer.exe moves bytes and walks a list under
Wine, side by side with the design's own limit (bench/design_limit) and
with the tools a user would compare it with. Every figure is the median of
several runs taken in turns, so that a noisy neighbour slows all of them
alike; the table reports ratios next to the rates.

Run by scripts/bench.sh, which builds what it needs. Writes the table to
build/bench/results.txt and every sample to build/bench/results.json.
It measures and reports; it fails only when a run itself fails."""

import argparse
import datetime
import json
import os
import platform
import random
import shutil
import statistics
import subprocess
import sys
import time

from zorvtest.distribution import write_distribution
from zorvtest.servers import start_nginx, start_tinyproxy
from zorvtest.session import DRIVER, INSTALLER, WIN32_DIR, HarnessError, WineSession

WELCOME, PROXY, READY, FOLDER = 102, 103, 104, 106
QUIET_INSTALLER = os.path.join(WIN32_DIR, "bench", "installer_quiet.exe")
DESIGN_LIMIT = os.path.join(WIN32_DIR, "bench", "design_limit.exe")
VERSIONED = os.path.join(WIN32_DIR, "tests", "fixtures", "components", "ver_1_2_3_4.dll")
INSTALL_FOLDER = "C:\\Program Files\\Brenix\\ZORV3"
MIB = 1024 * 1024
BIG = 64 * MIB
SIZE_BUDGET = 150 * 1024
LIST_SIZES = (0, 200, 1000, 2000)


def windows_path(unix_path):
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def parse_fields(output):
    """'bytes=N ms=T' -> {'bytes': N, 'ms': T}"""
    fields = {}
    for word in output.split():
        key, _, value = word.partition("=")
        if value:
            fields[key] = float(value)
    return fields


class Bench:
    def __init__(self, session, runs, out_dir):
        self.session = session
        self.runs = runs
        self.out_dir = out_dir
        self.samples = {}   # name -> [value, ...]

    def record(self, name, value):
        self.samples.setdefault(name, []).append(value)

    def median(self, name):
        return statistics.median(self.samples[name])

    # -- the installer, walked like a user ------------------------------------
    def install(self, args, exe=INSTALLER, on_proxy_page=None, timeout=300):
        """One installation from Next on the ready page to the finish page;
        returns its milliseconds."""
        s = self.session
        installer = s.start_installer(args, exe=exe)
        s.driver("wait-sheet", 30, timeout=30)
        s.wait_page(WELCOME, timeout=30)
        for page in (FOLDER, PROXY):
            s.press("next")
            s.wait_page(page)
        if on_proxy_page is not None:
            on_proxy_page()
        s.press("next")
        s.wait_page(READY)
        ms = parse_fields(s.driver("time-install", timeout, timeout=timeout))["ms"]
        text = s.text(1006)
        if "successfully" not in text:
            raise HarnessError("the installation ended with %r" % text)
        s.press("finish")
        s.driver("wait-gone", 30, timeout=30)
        self.answer_boxes(installer)
        if installer.wait(60) != 0:
            raise HarnessError("the installer ended with an error")
        s.installers.remove(installer)
        return ms

    def answer_boxes(self, installer):
        # Without a client folder the finishing reports, one box per client
        # file, that it found none; the benchmark only answers them.
        deadline = time.time() + 60
        while installer.running() and time.time() < deadline:
            try:
                self.session.wait_msgbox(1)
            except AssertionError:
                continue
            self.session.answer_msgbox(1)

    def design_limit(self, *args):
        """Runs one reference transfer; returns its milliseconds. Every one
        must move the whole component (HTTP counts the header too)."""
        # Into a new file each time, as the installer's downloads go.
        destination = self.session.unix_path(args[-1])
        if os.path.exists(destination):
            os.remove(destination)
        result = self.session.wine([DESIGN_LIMIT] + list(args), timeout=300)
        fields = parse_fields(result.stdout.decode(errors="replace"))
        if "ms" not in fields or fields.get("bytes", 0) < BIG:
            raise HarnessError("design_limit %s: %s" % (" ".join(args), result.stdout))
        return fields["ms"]

    # -- the measurements -------------------------------------------------------
    def prepare_distributions(self):
        root = self.session.drive_c("bench")
        self.big_data = os.urandom(BIG)
        write_distribution(os.path.join(root, "big"), {"big.bin": self.big_data},
                           ["T,%d" % BIG, "I,big.bin,%d,1.0.0.0" % BIG])
        write_distribution(os.path.join(root, "base"), {"big.bin": b"x"}, ["T,1", "I,big.bin,1,1.0.0.0"])
        os.makedirs(os.path.join(root, "out"), exist_ok=True)
        self.root = root
        # With the client's configuration file in place the finishing after
        # each run has nothing to report.
        client = self.session.unix_path(INSTALL_FOLDER + "\\client")
        os.makedirs(client, exist_ok=True)
        open(os.path.join(client, "zorvc.ini"), "w").close()

    def check_installed(self):
        path = self.session.unix_path(INSTALL_FOLDER + "\\big.bin")
        if os.path.getsize(path) != BIG:
            raise HarnessError("the installed component is not whole")

    def in_turns(self, measurements):
        """measurements: name -> function returning milliseconds. Each round
        runs every one once, in an order of its own, so that a drift within a
        round (the machine's other load, writeback of the big files) falls
        on all of them alike."""
        names = sorted(measurements)
        for round_number in range(self.runs):
            random.Random(round_number).shuffle(names)
            for name in names:
                self.record(name, measurements[name]())

    def installed_whole(self, milliseconds):
        self.check_installed()
        return milliseconds

    def cp_milliseconds(self, source, target):
        if os.path.exists(target):
            os.remove(target)
        started = time.perf_counter()
        subprocess.run(["cp", source, target], check=True)
        return (time.perf_counter() - started) * 1000

    def measure_file_transfer(self):
        source = "C:\\bench\\big\\big.bin"
        target = "C:\\bench\\out\\copy.bin"
        big = ["/url", "file:C:\\bench\\big"]
        self.in_turns({
            "file.installer": lambda: self.installed_whole(self.install(big)),
            "file.installer_quiet": lambda: self.installed_whole(self.install(big, exe=QUIET_INSTALLER)),
            "file.installer_base": lambda: self.install(["/url", "file:C:\\bench\\base"]),
            "file.design_limit": lambda: self.design_limit("file", source, target),
            "file.copyfile": lambda: self.design_limit("copyfile", source, target),
            "file.cp": lambda: self.cp_milliseconds(self.session.unix_path(source), self.session.unix_path(target)),
        })

    def measure_http_transfer(self):
        folder = os.path.join(self.out_dir, "servers")
        shutil.rmtree(folder, ignore_errors=True)
        target = "C:\\bench\\out\\fetch.bin"
        with start_nginx(self.root, os.path.join(folder, "nginx")) as web, \
                start_tinyproxy(os.path.join(folder, "tinyproxy")) as proxy:

            def choose_proxy():
                self.session.driver("click", 1002)
                self.session.driver("set-text", 1003, "127.0.0.1")
                self.session.driver("set-text", 1004, str(proxy.port))

            big = ["/url", web.url("/big")]
            base = ["/url", web.url("/base")]
            self.in_turns({
                "http.installer": lambda: self.installed_whole(self.install(big)),
                "http.installer_quiet": lambda: self.installed_whole(self.install(big, exe=QUIET_INSTALLER)),
                "http.installer_base": lambda: self.install(base),
                "http.design_limit": lambda: self.design_limit("http", "127.0.0.1", str(web.port), "/big/big.bin",
                                                               target),
                "http.curl": lambda: self.curl(web.url("/big/big.bin")),
                "proxy.installer": lambda: self.installed_whole(self.install(big, on_proxy_page=choose_proxy)),
                "proxy.installer_base": lambda: self.install(base, on_proxy_page=choose_proxy),
                "proxy.design_limit": lambda: self.design_limit("http", "127.0.0.1", str(proxy.port),
                                                                web.url("/big/big.bin"), target),
                "proxy.curl": lambda: self.curl(web.url("/big/big.bin"), proxy="http://" + proxy.address),
            })

    def curl(self, url, proxy=None):
        output = os.path.join(self.session.drive_c("bench", "out"), "curl.bin")
        args = ["curl", "--http1.0", "--silent", "--show-error", "--noproxy", "", "-o", output,
                "-w", "%{time_total} %{size_download}", url]
        if proxy is not None:
            args[1:1] = ["--proxy", proxy]
        result = subprocess.run(args, stdout=subprocess.PIPE, check=True, timeout=120, env={"PATH": "/usr/bin:/bin"})
        seconds, size = result.stdout.decode().split()
        if int(float(size)) != BIG:
            raise HarnessError("curl fetched %s bytes" % size)
        return float(seconds) * 1000

    def measure_list_walk(self):
        with open(VERSIONED, "rb") as f:
            component = f.read()
        folder = self.session.unix_path(INSTALL_FOLDER)
        os.makedirs(folder, exist_ok=True)
        for i in range(max(LIST_SIZES)):
            with open(os.path.join(folder, "c%04d.dll" % i), "wb") as f:
                f.write(component)
        for count in LIST_SIZES:
            lines = ["T,0"] + ["I,c%04d.dll,%d,1.2.3.4" % (i, len(component)) for i in range(count)]
            write_distribution(os.path.join(self.root, "list%d" % count), {}, lines)
        def walk(count):
            return lambda: self.install(["/url", "file:C:\\bench\\list%d" % count])
        self.in_turns({"list.%d" % count: walk(count) for count in LIST_SIZES})

    def measure_startup(self):
        installer = windows_path(INSTALLER)
        trivial = windows_path(DESIGN_LIMIT) + " window"
        for run in range(self.runs + 1):
            first = run == 0   # a first start warms Wine's caches; not counted
            for name, title, line in (("startup.installer", "ZORV Online Installer", installer),
                                      ("startup.trivial", "Design limit window", trivial)):
                output = self.session.driver("time-launch", title, 60, line, timeout=60)
                if not first:
                    self.record(name, parse_fields(output)["ms"])

    # -- the report -------------------------------------------------------------
    def table(self, machine, installer_bytes):
        rows = []

        def rate(name, base=None):
            ms = self.median(name) - (self.median(base) if base else 0)
            return BIG / MIB / (ms / 1000) if ms > 0 else float("inf")

        def transfer_rows(prefix, title, others):
            limit = rate(prefix + ".design_limit")
            rows.append((title, "", ""))
            rows.append(("  design limit (4096 bytes a message)", "%.1f MiB/s" % limit, "100 %"))
            entries = [("installer", rate(prefix + ".installer", prefix + ".installer_base"))]
            if prefix + ".installer_quiet" in self.samples:
                entries.append(("installer without progress updates",
                                rate(prefix + ".installer_quiet", prefix + ".installer_base")))
            entries += [(label, rate(prefix + "." + key)) for label, key in others]
            for label, value in entries:
                rows.append(("  " + label, "%.1f MiB/s" % value, "%.0f %%" % (100 * value / limit)))

        transfer_rows("file", "64 MiB component from a file: folder", [("CopyFileA under Wine", "copyfile"),
                                                                        ("cp", "cp")])
        transfer_rows("http", "64 MiB component from nginx on loopback", [("curl --http1.0", "curl")])
        transfer_rows("proxy", "64 MiB component from nginx through tinyproxy", [("curl --http1.0", "curl")])

        chunks = BIG / 4096
        for prefix, title in (("file", "Progress display, file: transfer"), ("http", "Progress display, HTTP transfer")):
            shown_ms = self.median(prefix + ".installer") - self.median(prefix + ".installer_base")
            quiet_ms = self.median(prefix + ".installer_quiet") - self.median(prefix + ".installer_base")
            share = "%.0f %% of the transfer" % (100 * (shown_ms - quiet_ms) / shown_ms) if shown_ms > 0 else ""
            rows.append((title, "", ""))
            rows.append(("  cost per 4096-byte chunk", "%.2f us" % ((shown_ms - quiet_ms) * 1000 / chunks), share))

        rows.append(("List of current components, Next to finish page", "", ""))
        empty = self.median("list.0")
        smallest = min(c for c in LIST_SIZES if c)
        per_record_small = (self.median("list.%d" % smallest) - empty) / smallest
        for count in LIST_SIZES:
            ms = self.median("list.%d" % count)
            note = "walk of the list alone" if count == 0 else "%.3f ms a record" % ((ms - empty) / count)
            if count and count != smallest and per_record_small > 0:
                note += ", x%.2f of the %d-record rate" % (((ms - empty) / count) / per_record_small, smallest)
            rows.append(("  %d records" % count, "%.0f ms" % ms, note))

        rows.append(("installer.exe", "%.1f KiB" % (installer_bytes / 1024),
                     "%.0f %% of the 150 KiB budget" % (100 * installer_bytes / SIZE_BUDGET)))
        installer_start = self.median("startup.installer")
        trivial_start = self.median("startup.trivial")
        rows.append(("Start-up to the first window", "", ""))
        rows.append(("  trivial Win32 program", "%.0f ms" % trivial_start, "1.00"))
        rows.append(("  installer, to the welcome page", "%.0f ms" % installer_start,
                     "%.2f x the trivial program" % (installer_start / trivial_start)))

        width = max(len(r[0]) for r in rows) + 2
        value_width = max(len(r[1]) for r in rows) + 2
        lines = ["ZORV installer benchmark, %s" % machine["date"],
                 "machine: %s, %s cores, %s, %s" % (machine["cpu"], machine["cores"], machine["kernel"],
                                                    machine["wine"]),
                 "medians of %d runs each, taken in turns; transfer rates of the installer exclude the"
                 % self.runs,
                 "fixed costs of an installation (measured with a 1-byte component)", ""]
        for label, value, note in rows:
            lines.append(("%-*s%*s  %s" % (width, label, value_width, value, note)).rstrip())
        return "\n".join(lines) + "\n"


def machine_description():
    cpu = "unknown CPU"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    wine = subprocess.run(["wine", "--version"], stdout=subprocess.PIPE, timeout=60).stdout.decode().strip()
    return {"date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"), "cpu": cpu,
            "cores": os.cpu_count(), "kernel": "Linux " + platform.release(), "wine": wine}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=3, help="runs of every measurement (default 3)")
    parser.add_argument("--only", default="", help="comma-separated steps to run: startup,file,http,list "
                        "(a partial run prints its samples, no table)")
    parser.add_argument("--out", default=os.path.join(os.path.dirname(WIN32_DIR), "bench"))
    options = parser.parse_args()
    for program in (INSTALLER, QUIET_INSTALLER, DESIGN_LIMIT, DRIVER):
        if not os.path.isfile(program):
            sys.exit("not built: %s (scripts/bench.sh builds it)" % program)
    os.makedirs(options.out, exist_ok=True)

    session = WineSession("bench")
    started = time.time()
    try:
        session.start()
        bench = Bench(session, options.runs, options.out)
        bench.prepare_distributions()
        steps = (("startup", "start-up", bench.measure_startup),
                 ("file", "local-file transfer", bench.measure_file_transfer),
                 ("http", "HTTP transfer", bench.measure_http_transfer),
                 ("list", "list walk", bench.measure_list_walk))
        only = [name for name in options.only.split(",") if name]
        for name, title, step in steps:
            if not only or name in only:
                print("measuring the %s ..." % title, flush=True)
                step()
    finally:
        session.stop()
    if only:
        for name in sorted(bench.samples):
            print("%-24s median %9.1f ms  %s" % (name, bench.median(name), bench.samples[name]))
        return

    machine = machine_description()
    # The samples first: a report that fails must not lose minutes of runs.
    with open(os.path.join(options.out, "results.json"), "w") as f:
        json.dump({"machine": machine, "runs": options.runs, "unit": "ms",
                   "big_component_bytes": BIG, "installer_bytes": os.path.getsize(INSTALLER),
                   "samples": bench.samples,
                   "medians": {name: bench.median(name) for name in bench.samples}}, f, indent=1)
    table = bench.table(machine, os.path.getsize(INSTALLER))
    with open(os.path.join(options.out, "results.txt"), "w") as f:
        f.write(table)
    print()
    print(table, end="")
    print("(%.0f s; written to %s)" % (time.time() - started, os.path.join(options.out, "results.txt")))


if __name__ == "__main__":
    main()
