"""The benchmark's report from known samples: medians, the fixed costs taken
off the installer's transfers, rates, shares and the list's growth."""

import os
import sys
import unittest

SOURCE = os.environ.get("ZORV_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path[:0] = [os.path.join(SOURCE, "bench"), os.path.join(SOURCE, "tests", "e2e")]

import run_bench  # noqa: E402

MACHINE = {"date": "2026-12-08 08:00 UTC", "cpu": "Test CPU", "cores": 2, "kernel": "Linux 6", "wine": "wine-8.0"}


def report(samples):
    bench = run_bench.Bench(None, 3, "/nonexistent")
    bench.samples = samples
    return bench.table(MACHINE, 65536).splitlines()


def row(lines, label, after=None):
    start = lines.index(after) if after else 0
    for line in lines[start:]:
        if line.strip().startswith(label):
            return " ".join(line.split())
    raise AssertionError("no row %r in\n%s" % (label, "\n".join(lines)))


class BenchReportTest(unittest.TestCase):
    def samples(self):
        # Skewed samples throughout, so that a mean instead of the median shows.
        return {
            "file.design_limit": [2000, 9999, 1000],      # median 2000 ms: 32 MiB/s
            "file.installer": [2600, 2600, 9000],         # 2500 ms without the fixed costs
            "file.installer_base": [100, 90, 900],
            "file.installer_quiet": [2200, 2200, 9000],
            "file.copyfile": [64, 64, 900], "file.cp": [32, 32, 900],
            "http.design_limit": [4000, 4000, 100],       # 16 MiB/s
            "http.installer": [5100, 5100, 100],          # 5000 ms: 12.8 MiB/s
            "http.installer_base": [100, 100, 5],
            "http.installer_quiet": [4100, 4100, 100],
            "http.curl": [100, 100, 1],                   # 640 MiB/s
            "proxy.design_limit": [8000, 8000, 1],        # 8 MiB/s
            "proxy.installer": [10200, 10200, 1],         # 10000 ms: 6.4 MiB/s
            "proxy.installer_base": [200, 200, 1],
            "proxy.curl": [200, 200, 9000],               # 320 MiB/s
            "list.0": [20, 20, 900], "list.200": [220, 220, 900], "list.1000": [1020, 1020, 1],
            "list.2000": [4020, 4020, 1],
            "startup.installer": [300, 310, 900], "startup.trivial": [200, 200, 900]}

    def test_rates_and_shares_of_the_design_limit(self):
        lines = report(self.samples())
        self.assertIn("machine: Test CPU, 2 cores, Linux 6, wine-8.0", lines)
        title = "64 MiB component from a file: folder"
        self.assertEqual(row(lines, "design limit", title), "design limit (4096 bytes a message) 32.0 MiB/s 100 %")
        self.assertEqual(row(lines, "installer", title), "installer 25.6 MiB/s 80 %")
        self.assertEqual(row(lines, "installer without", title),
                         "installer without progress updates 30.5 MiB/s 95 %")
        self.assertEqual(row(lines, "CopyFileA", title), "CopyFileA under Wine 1000.0 MiB/s 3125 %")
        self.assertEqual(row(lines, "cp", title), "cp 2000.0 MiB/s 6250 %")
        http = "64 MiB component from nginx on loopback"
        self.assertEqual(row(lines, "design limit", http), "design limit (4096 bytes a message) 16.0 MiB/s 100 %")
        self.assertEqual(row(lines, "installer", http), "installer 12.8 MiB/s 80 %")
        self.assertEqual(row(lines, "installer without", http),
                         "installer without progress updates 16.0 MiB/s 100 %")
        self.assertEqual(row(lines, "curl", http), "curl --http1.0 640.0 MiB/s 4000 %")
        proxy = "64 MiB component from nginx through tinyproxy"
        self.assertEqual(row(lines, "design limit", proxy), "design limit (4096 bytes a message) 8.0 MiB/s 100 %")
        self.assertEqual(row(lines, "installer", proxy), "installer 6.4 MiB/s 80 %")
        self.assertEqual(row(lines, "curl", proxy), "curl --http1.0 320.0 MiB/s 4000 %")
        # 400 ms of display over 16384 chunks, of the 2500 ms transfer.
        self.assertEqual(row(lines, "cost per", "Progress display, file: transfer"),
                         "cost per 4096-byte chunk 24.41 us 16 % of the transfer")
        # 1000 ms over 16384 chunks, of the 5000 ms transfer.
        self.assertEqual(row(lines, "cost per", "Progress display, HTTP transfer"),
                         "cost per 4096-byte chunk 61.04 us 20 % of the transfer")

    def test_list_growth_size_and_start_up(self):
        lines = report(self.samples())
        self.assertEqual(row(lines, "0 records"), "0 records 20 ms walk of the list alone")
        self.assertEqual(row(lines, "200 records"), "200 records 220 ms 1.000 ms a record")
        self.assertEqual(row(lines, "1000 records"),
                         "1000 records 1020 ms 1.000 ms a record, x1.00 of the 200-record rate")
        self.assertEqual(row(lines, "2000 records"),
                         "2000 records 4020 ms 2.000 ms a record, x2.00 of the 200-record rate")
        self.assertEqual(row(lines, "installer.exe"), "installer.exe 64.0 KiB 43 % of the 150 KiB budget")
        self.assertEqual(row(lines, "installer, to the welcome page"),
                         "installer, to the welcome page 310 ms 1.55 x the trivial program")


if __name__ == "__main__":
    unittest.main(verbosity=2)
