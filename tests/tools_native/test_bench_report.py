"""The benchmark's report from known samples: minimum, median and maximum,
the fixed costs taken off the installer's transfers column by column, rates,
shares of the design limit on the minima and on the medians, the digest
check, the list walk against its platform calls."""

import os
import sys
import unittest

SOURCE = os.environ.get("ZORV_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path[:0] = [os.path.join(SOURCE, "bench"), os.path.join(SOURCE, "tests", "e2e")]

import run_bench  # noqa: E402

MACHINE = {"date": "2026-12-08 08:00 UTC", "cpu": "Test CPU", "cores": 2, "kernel": "Linux 6", "wine": "wine-8.0",
           "load": "0.50 0.40 0.30", "load_before": "0.10 0.20 0.30", "cpus": "1"}


def report(samples, pressure=()):
    return run_bench.table(samples, 3, MACHINE, 65536, pressure).splitlines()


def row(lines, label, after=None):
    start = lines.index(next(line for line in lines if line.startswith(after))) if after else 0
    for line in lines[start + 1 if after else 0:]:
        if line.strip().startswith(label):
            return " ".join(line.split())
    raise AssertionError("no row %r in\n%s" % (label, "\n".join(lines)))


class BenchReportTest(unittest.TestCase):
    def samples(self):
        # The order of the samples is that of the rounds, not sorted.
        return {
            "file.design_limit": [2000, 9999, 1000],        # 1000 | 2000 | 9999 ms
            "file.installer": [9000, 2100, 2600],           # less the base: 2000 | 2500 | 8100
            "file.installer_base": [100, 900, 100],
            "file.installer_quiet": [2100, 1300, 9000],     # 1200 | 2000 | 8100
            "file.installer_digest": [2750, 2200, 9000],    # 100 | 150 ms more than the installer
            "file.copyfile": [100, 50, 900], "file.cp": [900, 40, 25],
            "http.design_limit": [4000, 1000, 5000],
            "http.installer": [5100, 2100, 6000],           # 2000 | 5000 | 5900
            "http.installer_base": [100, 100, 100],
            "http.installer_quiet": [4100, 1100, 6000],     # 1000 | 4000 | 5900
            "http.installer_digest": [5100, 2100, 6000],    # what an installer that ignores the record does
            "http.curl": [100, 200, 100],
            "proxy.design_limit": [8000, 2000, 9000],
            "proxy.installer": [10200, 4200, 11000],        # 4000 | 10000 | 10800
            "proxy.installer_base": [200, 200, 200],
            "proxy.curl": [200, 300, 200],
            "list.0": [20, 900, 20], "list.200": [240, 220, 900], "list.1000": [1020, 1100, 1020],
            "list.2000": [4020, 3820, 5000],
            "calls.200": [300, 200, 400], "calls.2000": [2100, 2000, 2500],
            "signed.200": [500, 400, 600], "signed.2000": [2650, 2200, 2900],
            "hashcalls.200": [300, 300, 300], "hashcalls.2000": [2100, 2100, 2400],
            "file.installer_digest_2cpu": [2110, 2700, 9000],   # 10 | 100 ms more than the installer
            "file.installer_replacing": [2200, 2700, 9000],     # less the base: 2100 | 2600 | 8100
            "file.digest_2cpu_wait": [3.0, 2.0, 9.0],
            "startup.installer": [300, 310, 900], "startup.trivial": [200, 200, 900]}

    def test_transfers_by_minimum_and_median(self):
        lines = report(self.samples(), pressure=[10, 1, 5])
        self.assertIn("machine: Test CPU, 2 cores, Linux 6, wine-8.0", lines)
        self.assertIn("load average before / after: 0.10 0.20 0.30 / 0.50 0.40 0.30; run on CPU 1", lines)
        self.assertIn("CPU pressure during the rounds' samples (time some task waited for a CPU): "
                      "min 1 %, median 5 %, max 10 %", lines)
        # Columns: min, median, max ms; MiB/s from the minimum; the share of
        # the design limit's rate on the minima and on the medians.
        file = "64 MiB component from a file: folder"
        self.assertEqual(row(lines, "design limit", file),
                         "design limit (4096 bytes a message) 1000 2000 9999 64.0 100 % 100 %")
        self.assertEqual(row(lines, "installer", file), "installer 2000 2500 8100 32.0 50 % 80 %")
        self.assertEqual(row(lines, "installer without", file),
                         "installer without progress updates 1200 2000 8100 53.3 83 % 100 %")
        self.assertEqual(row(lines, "CopyFileA", file), "CopyFileA under Wine 50 100 900 1280.0 2000 % 2000 %")
        self.assertEqual(row(lines, "cp", file), "cp 25 40 900 2560.0 4000 % 5000 %")
        http = "64 MiB component from nginx on loopback"
        self.assertEqual(row(lines, "design limit", http),
                         "design limit (4096 bytes a message) 1000 4000 5000 64.0 100 % 100 %")
        self.assertEqual(row(lines, "installer", http), "installer 2000 5000 5900 32.0 50 % 80 %")
        self.assertEqual(row(lines, "installer without", http),
                         "installer without progress updates 1000 4000 5900 64.0 100 % 100 %")
        self.assertEqual(row(lines, "curl", http), "curl --http1.0 100 100 200 640.0 1000 % 4000 %")
        proxy = "64 MiB component from nginx through tinyproxy"
        self.assertEqual(row(lines, "installer", proxy), "installer 4000 10000 10800 16.0 50 % 80 %")
        self.assertEqual(row(lines, "curl", proxy), "curl --http1.0 200 200 300 320.0 1000 % 4000 %")
        # By min: 800 ms of display over 16384 chunks, of the 2000 ms
        # transfer; by median: 500 ms of the 2500 ms one.
        self.assertEqual(row(lines, "cost per", "Progress display, file: transfer"),
                         "cost per 4096-byte chunk 48.83 us 30.52 us 40 % | 20 % of the transfer "
                         "(by min | by median)")
        self.assertEqual(row(lines, "cost per", "Progress display, HTTP transfer"),
                         "cost per 4096-byte chunk 61.04 us 61.04 us 50 % | 20 % of the transfer "
                         "(by min | by median)")
        digest = "Digest check of the 64 MiB component"
        self.assertEqual(row(lines, "file: folder", digest),
                         "file: folder 100 ms 150 ms 5 % | 6 % of the transfer (by min | by median)")
        self.assertEqual(row(lines, "nginx on loopback", digest),
                         "nginx on loopback 0 ms 0 ms 0 % | 0 % of the transfer (by min | by median)")

        # The hash on the second CPU: 2110 - 2100 and 2700 - 2600 ms.
        on_two = "The same with the hash thread on the second CPU"
        self.assertEqual(row(lines, "file: folder, time", on_two),
                         "file: folder, time added 10 ms 100 ms 0 % | 4 % of the transfer (by min | by median)")
        self.assertEqual(row(lines, "file: folder, wait", on_two),
                         "file: folder, wait after the last byte 2.0 ms 3.0 ms 0 % | 0 % of the transfer "
                         "(by min | by median)")
        self.assertEqual(row(lines, "installer over", file),
                         "installer over a 64 MiB copy in place 2100 2600 8100 30.5 48 % 77 %")
        without_digest = {k: v for k, v in self.samples().items() if not k.endswith(("_digest", "_digest_2cpu", "_wait"))}
        self.assertFalse(any(line.startswith(digest) for line in report(without_digest)))

    def test_list_walk_per_record_size_and_start_up(self):
        lines = report(self.samples())
        self.assertEqual(row(lines, "0 records"), "0 records 20 20 900 walk of the list alone")
        self.assertEqual(row(lines, "200 records"), "200 records 220 240 900 1.100 ms a record (medians)")
        self.assertEqual(row(lines, "2000 records"), "2000 records 3820 4020 5000 2.000 ms a record (medians)")
        # (3820 - 220) / 1800 and (4020 - 240) / 1800; the calls: 1800 / 1800.
        per_record = "Per current record, slope from 200 to 2000 records"
        self.assertEqual(row(lines, "installer's walk", per_record), "installer's walk 2.000 ms 2.100 ms")
        self.assertEqual(row(lines, "platform calls", per_record),
                         "platform calls (version info, root block, size) 1.000 ms 1.000 ms")
        self.assertEqual(row(lines, "walk against them", per_record), "walk against them 2.00 x 2.10 x goal: within 1.2 x")
        # (2200 - 400) / 1800 and (2650 - 500) / 1800 against 1800 / 1800 both.
        key_built = "key-built installer's walk"
        at = next(i for i, line in enumerate(lines) if line.strip().startswith(key_built))
        self.assertEqual([" ".join(line.split()) for line in lines[at:at + 3]],
                         ["key-built installer's walk (a digest a record) 1.000 ms 1.194 ms",
                          "platform calls and the file's SHA-256 1.000 ms 1.000 ms",
                          "walk against them 1.00 x 1.19 x goal: within 1.2 x"])
        without_key = {k: v for k, v in self.samples().items() if not k.startswith(("signed.", "hashcalls."))}
        self.assertFalse(any(key_built in line for line in report(without_key)))
        self.assertEqual(row(lines, "size", "installer.exe"), "size 64.0 KiB 43 % of the 150 KiB budget")
        self.assertEqual(row(lines, "trivial Win32 program"), "trivial Win32 program 200 200 900 1.00 1.00")
        self.assertEqual(row(lines, "installer, to the welcome page"),
                         "installer, to the welcome page 300 310 900 1.50 1.55 x: against the trivial program")


if __name__ == "__main__":
    unittest.main(verbosity=2)
