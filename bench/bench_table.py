"""The benchmark's table, from the samples of bench/run_bench.py.

Every timing is shown as the minimum, median and maximum of its rounds.
A ratio is computed twice: on the minima (the least disturbed runs, the
better estimate on a shared machine) and on the medians. The installer's
transfer times exclude the fixed costs of an installation: each column is
the same column of the 64 MiB installation less that of a 1-byte one."""

import statistics

MIB = 1024 * 1024
BIG = 64 * MIB
CHUNK = 4096
SIZE_BUDGET = 150 * 1024
LIST_SIZES = (0, 200, 1000, 2000)
# The platform calls are timed over the first and the last list size but one
# of the walk's; the slope between them is the cost of one record.
SLOPE_FROM, SLOPE_TO = 200, 2000
CALL_SIZES = (SLOPE_FROM, SLOPE_TO)
RECORD_GOAL = 1.2
CELL = 11


def statistics_of(values):
    return min(values), statistics.median(values), max(values)


def percent(part, whole):
    return "%.0f %%" % (100 * part / whole) if whole > 0 else "-"


def rate(milliseconds):
    return BIG / MIB / (milliseconds / 1000) if milliseconds > 0 else float("inf")


class Table:
    def __init__(self, samples):
        self.samples = samples
        self.lines = []   # ("section", title, headings) or ("row", label, cells, note)

    def has(self, name):
        return name in self.samples

    def stats(self, name):
        return statistics_of(self.samples[name])

    def net(self, name, base):
        """Each column of name less the same column of base."""
        return tuple(a - b for a, b in zip(self.stats(name), self.stats(base)))

    def section(self, title, *headings):
        self.lines.append(("section", title, headings))

    def row(self, label, cells=(), note=""):
        self.lines.append(("row", "  " + label, cells, note))

    def text(self):
        width = max(len(line[1]) for line in self.lines) + 2
        out = []
        for line in self.lines:
            if line[0] == "section":
                _, title, headings = line
                out.append(("%-*s%s" % (width, title, "".join("%*s" % (CELL, h) for h in headings))).rstrip())
            else:
                _, label, cells, note = line
                out.append(("%-*s%s  %s" % (width, label, "".join("%*s" % (CELL, c) for c in cells), note)).rstrip())
        return "\n".join(out) + "\n"

    # -- sections ---------------------------------------------------------------
    def transfer(self, prefix, title, others):
        limit = self.stats(prefix + ".design_limit")
        self.section(title, "min ms", "median ms", "max ms", "MiB/s", "min", "median")
        entries = [("design limit (4096 bytes a message)", limit),
                   ("installer", self.net(prefix + ".installer", prefix + ".installer_base"))]
        if self.has(prefix + ".installer_quiet"):
            entries.append(("installer without progress updates",
                            self.net(prefix + ".installer_quiet", prefix + ".installer_base")))
        if self.has(prefix + ".installer_replacing"):
            entries.append(("installer over a 64 MiB copy in place",
                            self.net(prefix + ".installer_replacing", prefix + ".installer_base")))
        entries += [(label, self.stats(prefix + "." + key)) for label, key in others]
        for label, (low, middle, high) in entries:
            # A share of the limit's rate: the limit's time over this time.
            self.row(label, ("%.0f" % low, "%.0f" % middle, "%.0f" % high, "%.1f" % rate(low),
                             percent(limit[0], low), percent(limit[1], middle)))

    def progress_cost(self, prefix, title):
        chunks = BIG / CHUNK
        shown = self.net(prefix + ".installer", prefix + ".installer_base")
        quiet = self.net(prefix + ".installer_quiet", prefix + ".installer_base")
        self.section(title, "min", "median")
        cost = [shown[i] - quiet[i] for i in (0, 1)]
        self.row("cost per 4096-byte chunk", ["%.2f us" % (c * 1000 / chunks) for c in cost],
                 "%s | %s of the transfer (by min | by median)" % (percent(cost[0], shown[0]),
                                                                  percent(cost[1], shown[1])))

    def digest_cost(self):
        if not (self.has("file.installer_digest") or self.has("http.installer_digest")):
            return
        self.section("Digest check of the 64 MiB component (SHA-256 record)", "min", "median")
        for prefix, label in (("file", "file: folder"), ("http", "nginx on loopback")):
            if not self.has(prefix + ".installer_digest"):
                continue
            plain = self.stats(prefix + ".installer")
            checked = self.stats(prefix + ".installer_digest")
            transfer = self.net(prefix + ".installer", prefix + ".installer_base")
            cost = [checked[i] - plain[i] for i in (0, 1)]
            self.row(label, ["%.0f ms" % c for c in cost],
                     "%s | %s of the transfer (by min | by median)" % (percent(cost[0], transfer[0]),
                                                                      percent(cost[1], transfer[1])))
        for prefix, label in (("file", "file: folder"), ("http", "nginx on loopback")):
            if not self.has(prefix + ".installer_digest_2cpu"):
                continue
            if prefix == "file":
                self.section("The same with the hash thread on the second CPU", "min", "median")
            plain = self.stats(prefix + ".installer")
            checked = self.stats(prefix + ".installer_digest_2cpu")
            transfer = self.net(prefix + ".installer", prefix + ".installer_base")
            cost = [checked[i] - plain[i] for i in (0, 1)]
            self.row(label + ", time added", ["%.0f ms" % c for c in cost],
                     "%s | %s of the transfer (by min | by median)" % (percent(cost[0], transfer[0]),
                                                                      percent(cost[1], transfer[1])))
            if self.has(prefix + ".digest_2cpu_wait"):
                wait = self.stats(prefix + ".digest_2cpu_wait")
                self.row(label + ", wait after the last byte", ["%.1f ms" % wait[i] for i in (0, 1)],
                         "%s | %s of the transfer (by min | by median)" % (percent(wait[0], transfer[0]),
                                                                          percent(wait[1], transfer[1])))

    def list_walk(self):
        self.section("List of current components, Next to finish page", "min ms", "median ms", "max ms")
        empty = self.stats("list.0")
        for count in LIST_SIZES:
            low, middle, high = self.stats("list.%d" % count)
            note = "walk of the list alone" if count == 0 else \
                "%.3f ms a record (medians)" % ((middle - empty[1]) / count)
            self.row("%d records" % count, ("%.0f" % low, "%.0f" % middle, "%.0f" % high), note)

    def slope(self, prefix):
        """Milliseconds a record from SLOPE_FROM to SLOPE_TO records, on the minima and the medians."""
        span = SLOPE_TO - SLOPE_FROM
        return [(self.stats("%s.%d" % (prefix, SLOPE_TO))[i] - self.stats("%s.%d" % (prefix, SLOPE_FROM))[i]) / span
                for i in (0, 1)]

    def against(self, label, walk, calls, calls_label):
        self.row(label, ["%.3f ms" % v for v in walk])
        self.row(calls_label, ["%.3f ms" % v for v in calls])
        self.row("  walk against them", ["%.2f x" % (w / c) if c > 0 else "-" for w, c in zip(walk, calls)],
                 "goal: within %.1f x" % RECORD_GOAL)

    def per_record(self):
        self.section("Per current record, slope from %d to %d records" % (SLOPE_FROM, SLOPE_TO), "min", "median")
        walk = self.slope("list")
        if not self.has("calls.%d" % SLOPE_TO):
            self.row("installer's walk", ["%.3f ms" % v for v in walk])
            return
        self.against("installer's walk", walk, self.slope("calls"), "platform calls (version info, root block, size)")
        if self.has("signed.%d" % SLOPE_TO) and self.has("hashcalls.%d" % SLOPE_TO):
            self.against("key-built installer's walk (a digest a record)", self.slope("signed"),
                         self.slope("hashcalls"), "platform calls and the file's SHA-256")

    def size(self, installer_bytes):
        self.section("installer.exe")
        self.row("size", ("%.1f KiB" % (installer_bytes / 1024),), percent(installer_bytes, SIZE_BUDGET)
                 + " of the 150 KiB budget")

    def startup(self):
        trivial = self.stats("startup.trivial")
        installer = self.stats("startup.installer")
        self.section("Start-up to the first window", "min ms", "median ms", "max ms", "x min", "x median")
        self.row("trivial Win32 program", ["%.0f" % v for v in trivial] + ["1.00", "1.00"])
        self.row("installer, to the welcome page", ["%.0f" % v for v in installer]
                 + ["%.2f" % (installer[i] / trivial[i]) for i in (0, 1)], "x: against the trivial program")


def table(samples, runs, machine, installer_bytes, pressure=()):
    t = Table(samples)
    t.transfer("file", "64 MiB component from a file: folder",
               [("CopyFileA under Wine", "copyfile"), ("cp", "cp")])
    t.transfer("http", "64 MiB component from nginx on loopback", [("curl --http1.0", "curl")])
    t.transfer("proxy", "64 MiB component from nginx through tinyproxy", [("curl --http1.0", "curl")])
    t.progress_cost("file", "Progress display, file: transfer")
    t.progress_cost("http", "Progress display, HTTP transfer")
    t.digest_cost()
    t.list_walk()
    t.per_record()
    t.size(installer_bytes)
    t.startup()
    head = ["ZORV installer benchmark, %s" % machine["date"],
            "machine: %s, %s cores, %s, %s" % (machine["cpu"], machine["cores"], machine["kernel"], machine["wine"]),
            "load average before / after: %s / %s; run on CPU %s" % (machine.get("load_before", "?"),
                                                                      machine.get("load", "?"),
                                                                      machine.get("cpus", "?")),
            "%d rounds, every measurement once a round in a shuffled order; min, median and max of the rounds."
            % runs,
            "Transfers: the installer's times exclude the fixed costs of an installation (each column less",
            "the same column of a 1-byte installation); MiB/s from the minimum; min and median: the rate",
            "as a share of the design limit's, computed on the minima and on the medians."]
    if pressure:
        # The benchmark's own processes count too: the installer, wineserver
        # and the UI driver compete for the two cores by themselves.
        head.append("CPU pressure during the rounds' samples (time some task waited for a CPU): "
                    "min %.0f %%, median %.0f %%, max %.0f %%" % statistics_of(pressure))
    head.append("")
    return "\n".join(head) + "\n" + t.text()
