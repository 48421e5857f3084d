"""The benchmark: how fast installer.exe moves bytes and walks a list under
Wine, side by side with the design's own limit (bench/design_limit) and
with the tools a user would compare it with.

Every measurement is taken once a round, in an order of its own each round,
for several rounds; the table (bench/bench_table.py) gives the minimum, median
and maximum of each, and the ratios both on the minima (the least disturbed
runs) and on the medians.

Run by scripts/bench.sh, which builds what it needs. Writes the table to
build/bench/results.txt and every sample to build/bench/results.json.
It measures and reports; it fails only when a run itself fails."""

import argparse
import datetime
import hashlib
import json
import os
import platform
import random
import shutil
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from bench_table import BIG, LIST_SIZES, CALL_SIZES, statistics_of, table  # noqa: E402
from zorvtest.distribution import write_distribution  # noqa: E402
from zorvtest.servers import start_nginx, start_tinyproxy  # noqa: E402
from zorvtest.session import DRIVER, INSTALLER, SIGNED_INSTALLER, WIN32_DIR, HarnessError, WineSession  # noqa: E402

WELCOME, PROXY, READY, FOLDER = 102, 103, 104, 106
QUIET_INSTALLER = os.path.join(WIN32_DIR, "bench", "installer_quiet.exe")
DESIGN_LIMIT = os.path.join(WIN32_DIR, "bench", "design_limit.exe")
TRIVIAL_WINDOW = os.path.join(WIN32_DIR, "bench", "trivial_window.exe")
RECORD_CALLS = os.path.join(WIN32_DIR, "bench", "record_calls.exe")
VERSIONED = os.path.join(WIN32_DIR, "tests", "fixtures", "components", "ver_1_2_3_4.dll")
INSTALL_FOLDER = "C:\\Program Files\\Brenix\\ZORV3"
DEFAULT_RUNS = 5


def windows_path(unix_path):
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def parse_fields(output):
    """'bytes=N ms=T' -> {'bytes': N, 'ms': T}"""
    fields = {}
    for word in output.split():
        key, _, value = word.partition("=")
        if value:
            try:
                fields[key] = float(value)
            except ValueError:
                pass
    return fields


class HashThreadMover(threading.Thread):
    """Moves the installer's file-hash thread to a CPU of its own as soon as
    it appears, and then stops looking: the installer's window thread,
    wineserver, the servers and the display stay on the benchmark's CPU, so
    their round trips are the same as in every other measurement, and only
    the hash runs beside them. The thread is found by the name the installer
    gives it, which Wine hands on to Linux."""

    NAME = "ZORV file hash"

    def __init__(self, cpu, pid, download):
        super().__init__(daemon=True)
        self.cpu = cpu
        self.tasks = "/proc/%d/task" % pid
        self.download = download
        self.done = threading.Event()
        self.moved = 0
        self.wait_ms = None

    def run(self):
        # This thread's own looks go to the other CPU, not to the installer's.
        os.sched_setaffinity(threading.get_native_id(), {self.cpu})
        while not self.done.is_set():
            try:
                for task in os.listdir(self.tasks):
                    with open(os.path.join(self.tasks, task, "comm")) as f:
                        if f.read().strip() == self.NAME:
                            os.sched_setaffinity(int(task), {self.cpu})
                            self.moved += 1
                            self.watch_the_end()
                            return
            except OSError:
                pass   # a task that ended while it was looked at
            time.sleep(0.0005)

    def watch_the_end(self):
        """The wait after the last byte: from the moment the download holds
        the whole component to the moment it is put in place (the name
        .download is gone), looked at every millisecond from this CPU."""
        last_byte = None
        while not self.done.is_set():
            try:
                whole = os.path.getsize(self.download) >= BIG
            except OSError:
                whole = False
                if last_byte is not None:
                    self.wait_ms = (time.perf_counter() - last_byte) * 1000
                    return
            if whole and last_byte is None:
                last_byte = time.perf_counter()
            time.sleep(0.001)

    def stop(self):
        self.done.set()
        self.join(10)


def installer_pid(exe):
    """The Linux process of the one running Wine program named exe."""
    name = os.path.basename(exe)[:15]
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/comm" % entry) as f:
                    if f.read().strip() == name:
                        return int(entry)
            except OSError:
                pass
    raise HarnessError("no process %s" % name)


def cpu_pressure_total():
    """Microseconds in which some task waited for a CPU, since boot (the
    kernel's pressure stall information); None where the kernel has none."""
    try:
        with open("/proc/pressure/cpu") as f:
            for line in f:
                if line.startswith("some "):
                    return int(line.split("total=")[1])
    except (OSError, IndexError, ValueError):
        pass
    return None


class Bench:
    def __init__(self, session, runs, out_dir):
        self.session = session
        self.runs = runs
        self.out_dir = out_dir
        self.samples = {}   # name -> [milliseconds, ...]
        self.pressure = {}  # name -> [% of the sample's time some task waited for a CPU, ...]
        self.hash_cpu = None  # a second CPU for the digest check's hash, where there is one

    def record(self, name, value):
        self.samples.setdefault(name, []).append(value)

    # -- the installer, walked like a user ------------------------------------
    def install(self, args, exe=INSTALLER, on_proxy_page=None, timeout=300, hash_cpu=None, replacing=False):
        """One installation from Next on the ready page to the finish page;
        returns its milliseconds. hash_cpu: the CPU the installer's file
        hash runs on (HashThreadMover), instead of the benchmark's.

        The component goes into a free name, as the design limit's copy
        does: the copy installed by the run before is removed first, outside
        the time. replacing: a 64 MiB copy lies there instead, which the
        installation replaces (the file system then frees the old one's
        blocks within the time)."""
        s = self.session
        installed = s.unix_path(INSTALL_FOLDER + "\\big.bin")
        if replacing:
            shutil.copyfile(os.path.join(self.root, "big", "big.bin"), installed)
            os.sync()
        elif os.path.exists(installed):
            os.remove(installed)
        installer = self.start_showing(args, exe)
        s.wait_page(WELCOME, timeout=30)
        for page in (FOLDER, PROXY):
            s.press("next")
            s.wait_page(page)
        if on_proxy_page is not None:
            on_proxy_page()
        s.press("next")
        s.wait_page(READY)
        mover = None
        if hash_cpu is not None:
            mover = HashThreadMover(hash_cpu, installer_pid(exe), installed + ".download")
            mover.start()
        try:
            ms = parse_fields(s.driver("time-install", timeout, timeout=timeout))["ms"]
        finally:
            if mover is not None:
                mover.stop()
        if mover is not None:
            if mover.moved != 1 or mover.wait_ms is None:
                raise HarnessError("the installer's hash thread or its download's end was not seen")
            self.last_wait_ms = mover.wait_ms
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

    def start_showing(self, args, exe):
        """Starts the installer until it shows its wizard. A start that
        shows none within 30 s (seen once in a list walk on the shared
        machine, cause unknown) is killed and, once, made again; the run
        says so."""
        s = self.session
        for attempt in (1, 2):
            installer = s.start_installer(args, exe=exe)
            if s.driver_ok("wait-sheet", 30, timeout=30):
                return installer
            running = installer.running()
            installer.kill()
            s.installers.remove(installer)
            print("  the installer showed no wizard within 30 s (%s); %s" % (
                "still running" if running else "ended with %s" % installer.popen.returncode,
                "starting it again" if attempt == 1 else "giving up"), flush=True)
        raise HarnessError("the installer showed no wizard twice in a row")

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

    def record_calls(self, count, hashed=False):
        """The platform calls of `count` current records, timed inside Wine;
        hashed: with each file's SHA-256 too."""
        folder = INSTALL_FOLDER
        result = self.session.wine([RECORD_CALLS, folder, str(count)] + (["hash"] if hashed else []), timeout=300)
        fields = parse_fields(result.stdout.decode(errors="replace"))
        if "ms" not in fields or fields.get("files") != count:
            raise HarnessError("record_calls %d: %s" % (count, result.stdout))
        return fields["ms"]

    # -- the measurements -------------------------------------------------------
    def prepare_distributions(self):
        root = self.session.drive_c("bench")
        big_data = os.urandom(BIG)
        digest = hashlib.sha256(big_data).hexdigest()
        write_distribution(os.path.join(root, "big"), {"big.bin": big_data},
                           ["T,%d" % BIG, "I,big.bin,%d,1.0.0.0" % BIG])
        # The same component under its SHA-256: an installer that knows the
        # record checks the downloaded file against it before it puts it in
        # place. The record goes directly before the component's own.
        write_distribution(os.path.join(root, "bigd"), {"big.bin": big_data},
                           ["T,%d" % BIG, "D,big.bin,%s" % digest, "I,big.bin,%d,1.0.0.0" % BIG])
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
        round (the machine's other load) falls on all of them alike."""
        names = sorted(measurements)
        for round_number in range(self.runs):
            random.Random(round_number).shuffle(names)
            for name in names:
                # The big files of the run before are written back now, not
                # while this one runs.
                os.sync()
                stalled = cpu_pressure_total()
                started = time.perf_counter()
                self.record(name, measurements[name]())
                if stalled is not None:
                    elapsed_us = (time.perf_counter() - started) * 1e6
                    self.pressure.setdefault(name, []).append(100 * (cpu_pressure_total() - stalled) / elapsed_us)
            print("  round %d of %d done" % (round_number + 1, self.runs), flush=True)

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
            "file.installer_digest": lambda: self.installed_whole(self.install(["/url", "file:C:\\bench\\bigd"])),
            "file.installer_quiet": lambda: self.installed_whole(self.install(big, exe=QUIET_INSTALLER)),
            "file.installer_replacing": lambda: self.installed_whole(self.install(big, replacing=True)),
            **self.on_two_cpus("file", ["/url", "file:C:\\bench\\bigd"]),
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
                "http.installer_digest": lambda: self.installed_whole(self.install(["/url", web.url("/bigd")])),
                "http.installer_quiet": lambda: self.installed_whole(self.install(big, exe=QUIET_INSTALLER)),
                **self.on_two_cpus("http", ["/url", web.url("/bigd")]),
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

    def on_two_cpus(self, prefix, args):
        """The digest check with the hash on a second CPU, where there is one."""
        if self.hash_cpu is None:
            return {}
        def run():
            ms = self.installed_whole(self.install(args, hash_cpu=self.hash_cpu))
            self.record(prefix + ".digest_2cpu_wait", self.last_wait_ms)
            return ms
        return {prefix + ".installer_digest_2cpu": run}

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

        def calls(count, hashed=False):
            return lambda: self.record_calls(count, hashed)

        # The key-built installer walks lists signed with the build's key, a
        # digest record before each component's; each walk gets a list of a
        # serial higher than all before, as a vendor publishes them.
        from zorvtest import signing
        serials = iter(range(1, 1000000))

        def signed_walk(count):
            def run():
                lines = ["T,0"] + ["I,c%04d.dll,%d,1.2.3.4" % (i, len(component)) for i in range(count)]
                digest = hashlib.sha256(component).hexdigest()
                data = signing.make_distribution.list_bytes(
                    signing.with_digests(lines, {}, {"c%04d.dll" % i: digest for i in range(count)}),
                    next(serials), key)
                write_distribution(os.path.join(self.root, "signed%d" % count), {}, list_bytes=data)
                return self.install(["/url", "file:C:\\bench\\signed%d" % count], exe=SIGNED_INSTALLER)
            return run

        # The first look at a freshly written file costs Wine several times
        # the later ones; one pass over all of them, not counted, so that no
        # round's first walk pays for it.
        self.record_calls(max(LIST_SIZES))
        measurements = {"list.%d" % count: walk(count) for count in LIST_SIZES}
        # The same files, the platform calls alone, in the same rounds.
        measurements.update({"calls.%d" % count: calls(count) for count in CALL_SIZES})
        if os.path.isfile(SIGNED_INSTALLER) and signing.PRIVATE_KEY:
            key = signing.vendor_key()
            measurements.update({"signed.%d" % count: signed_walk(count) for count in CALL_SIZES})
            measurements.update({"hashcalls.%d" % count: calls(count, True) for count in CALL_SIZES})
        else:
            print("  no key-built installer or no private key: the key-built walk is left out", flush=True)
        self.in_turns(measurements)

    def measure_startup(self):
        installer = windows_path(INSTALLER)
        trivial = windows_path(TRIVIAL_WINDOW)
        for run in range(self.runs + 1):
            first = run == 0   # a first start warms Wine's caches; not counted
            for name, title, line in (("startup.installer", "ZORV Online Installer", installer),
                                      ("startup.trivial", "Trivial window", trivial)):
                output = self.session.driver("time-launch", title, 60, line, timeout=60)
                if not first:
                    self.record(name, parse_fields(output)["ms"])


def machine_description():
    cpu = "unknown CPU"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    wine = subprocess.run(["wine", "--version"], stdout=subprocess.PIPE, timeout=60).stdout.decode().strip()
    return {"date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"), "cpu": cpu,
            "cores": os.cpu_count(), "kernel": "Linux " + platform.release(), "wine": wine,
            "load": " ".join("%.2f" % v for v in os.getloadavg())}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=DEFAULT_RUNS,
                        help="rounds of every measurement (default %d)" % DEFAULT_RUNS)
    parser.add_argument("--only", default="", help="comma-separated steps to run: startup,file,http,list "
                        "(a partial run prints its samples, no table)")
    parser.add_argument("--cpu", default=str(os.cpu_count() - 1),
                        help="the one CPU everything runs on (default the last one), or 'all'")
    parser.add_argument("--out", default=os.path.join(os.path.dirname(WIN32_DIR), "bench"))
    options = parser.parse_args()
    if options.runs < 1:
        sys.exit("--runs must be at least 1")
    others = sorted(os.sched_getaffinity(0) - ({int(options.cpu)} if options.cpu != "all" else set()))
    if options.cpu != "all":
        # On this virtual machine a round trip between a Wine program and
        # wineserver on two different CPUs costs several times one on the
        # same CPU, and where the scheduler puts them changes from run to run
        # (the two modes of the samples). On one CPU every program, the
        # servers and the X server run as they would on any single core.
        os.sched_setaffinity(0, {int(options.cpu)})
    for program in (INSTALLER, QUIET_INSTALLER, DESIGN_LIMIT, TRIVIAL_WINDOW, RECORD_CALLS, DRIVER):
        if not os.path.isfile(program):
            sys.exit("not built: %s (scripts/bench.sh builds it)" % program)
    os.makedirs(options.out, exist_ok=True)

    session = WineSession("bench")
    started = time.time()
    load_before = os.getloadavg()
    bench = Bench(session, options.runs, options.out)
    if options.cpu != "all" and others:
        bench.hash_cpu = others[0]
    try:
        session.start()
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
    except BaseException:
        # Minutes of samples are not lost with the run that failed.
        with open(os.path.join(options.out, "results.partial.json"), "w") as f:
            json.dump({"runs": options.runs, "unit": "ms", "samples": bench.samples,
                       "cpu_pressure_percent": bench.pressure}, f, indent=1)
        print("the samples so far are in %s" % os.path.join(options.out, "results.partial.json"), file=sys.stderr)
        raise
    finally:
        session.stop()
    if only:
        for name in sorted(bench.samples):
            low, middle, high = statistics_of(bench.samples[name])
            print("%-24s min %9.1f  median %9.1f  max %9.1f ms  %s  CPU pressure %s"
                  % (name, low, middle, high, " ".join("%.1f" % v for v in bench.samples[name]),
                     " ".join("%.0f%%" % v for v in bench.pressure.get(name, []))))
        return

    machine = machine_description()
    machine["load_before"] = " ".join("%.2f" % v for v in load_before)
    machine["cpus"] = ",".join(str(c) for c in sorted(os.sched_getaffinity(0)))
    # The samples first: a report that fails must not lose minutes of runs.
    with open(os.path.join(options.out, "results.json"), "w") as f:
        json.dump({"machine": machine, "runs": options.runs, "unit": "ms",
                   "big_component_bytes": BIG, "installer_bytes": os.path.getsize(INSTALLER),
                   "samples": bench.samples, "cpu_pressure_percent": bench.pressure,
                   "statistics": {name: dict(zip(("min", "median", "max"), statistics_of(values)))
                                  for name, values in bench.samples.items()}}, f, indent=1)
    text = table(bench.samples, options.runs, machine, os.path.getsize(INSTALLER),
                 [v for values in bench.pressure.values() for v in values])
    with open(os.path.join(options.out, "results.txt"), "w") as f:
        f.write(text)
    print()
    print(text, end="")
    print("(%.0f s; written to %s)" % (time.time() - started, os.path.join(options.out, "results.txt")))


if __name__ == "__main__":
    main()
