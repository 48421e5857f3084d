"""Runs the freshly built key-built installer (installer/signed/installer.exe,
built with the build's vendor key) under Wine against the signed sample
distribution (see demo.sh), then prints what it installed."""

import os
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, os.environ.get("BUILD_DIR", "build"))
os.environ.setdefault("ZORV_WIN32_DIR", os.path.join(BUILD, "win32"))
os.environ.setdefault("ZORV_E2E_WORK", os.path.join(BUILD, "demo"))
os.environ.setdefault("ZORV_SCREENSHOTS", os.path.join(BUILD, "demo", "screenshots"))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from zorvtest.distribution_server import DistributionServer  # noqa: E402
from zorvtest.sample import DISTRIBUTION, Journal  # noqa: E402
from zorvtest.session import SIGNED_INSTALLER, WineSession  # noqa: E402

INSTALL_FOLDER = "C:\\Program Files\\Brenix\\ZORV3"
PROGRAMS = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\ZORV Client V3"
PAGES = ((102, "welcome"), (106, "folder"), (103, "proxy"), (104, "ready"))


def has_display():
    display = os.environ.get("DISPLAY", "")
    if not display.startswith(":"):
        return False
    return os.path.exists("/tmp/.X11-unix/X" + display[1:].split(".")[0])


def run_in_window(session, args):
    print("The installer opens on %s; walk it through and close it to end." % os.environ["DISPLAY"])
    installer = session.start_installer(args)
    print("The installer ended with exit code %d." % installer.wait(timeout=24 * 3600))


def shot(session, name):
    print("  screenshot: %s" % session.screenshot(name))


def run_on_virtual_display(session, args):
    installer = session.start_installer(args)
    session.driver("wait-sheet", 30, timeout=30)
    for template, name in PAGES:
        session.wait_page(template, timeout=60)
        print("page %d (%s)" % (template, name))
        shot(session, "%d-%s" % (template, name))
        session.press("next")
    if session.driver_ok("wait-progress", 10, timeout=10):
        print("progress dialog: %s" % session.text(1006))
        shot(session, "105-progress")
    session.wait_page(107, timeout=300)
    print("page 107 (finish): %s" % session.text(1006))
    shot(session, "107-finish")
    session.press("finish")
    session.driver("wait-gone", 60, timeout=60)
    while installer.running():
        if session.driver_ok("wait-msgbox", 1, timeout=5):
            box = session.wait_msgbox(5)
            print("message box: %s" % box["text"])
            session.answer_msgbox(1)
    print("The installer ended with exit code %d." % installer.wait(60))


def describe_list():
    """What the vendor's records of the sample list say: its serial and whether it is signed."""
    with open(os.path.join(DISTRIBUTION, "zorv3.lst"), "rb") as handle:
        lines = handle.read().split(b"\r\n")[:-1]
    serial = lines[0][2:].decode("ascii") if lines and lines[0].startswith(b"N,") else None
    signed = bool(lines) and lines[-1].startswith(b"S,")
    digests = sum(1 for line in lines if line.startswith(b"D,"))
    if serial is None or not signed:
        raise SystemExit("demo: %s is not signed; build with scripts/build.sh, which makes the vendor key"
                         % os.path.join(DISTRIBUTION, "zorv3.lst"))
    return "serial %s, %d component digests, signed by the vendor key" % (serial, digests)


def check_distribution(url):
    """The vendor's check before publishing: the served distribution read as
    the key-built installer reads it."""
    command = [sys.executable, os.path.join(ROOT, "tools", "check_distribution.py"), url,
               "--key", os.path.join(BUILD, "keys", "vendor_public.pem")]
    print("The vendor's check of the served distribution: tools/check_distribution.py %s --key %s"
          % (url, os.path.relpath(command[-1], ROOT)))
    result = subprocess.run(command, capture_output=True, text=True, timeout=300)
    print("  " + (result.stdout + result.stderr).strip().replace("\n", "\n  "))
    if result.returncode != 0:
        raise SystemExit("demo: the distribution does not pass its check")
    print()


def report(session):
    root = session.unix_path(INSTALL_FOLDER)
    print("\nInstalled under %s:" % INSTALL_FOLDER)
    for base, _, names in sorted(os.walk(root)):
        for name in sorted(names):
            path = os.path.join(base, name)
            print("  %-40s %8d bytes" % (os.path.relpath(path, root), os.path.getsize(path)))
    system = session.drive_c("windows", "system32", "zorvsys.dll")
    if os.path.exists(system):
        print("System folder: C:\\windows\\system32\\zorvsys.dll %d bytes" % os.path.getsize(system))
    menu = session.unix_path(PROGRAMS)
    if os.path.isdir(menu):
        print("Start menu (%s):" % PROGRAMS)
        for base, _, names in os.walk(menu):
            for name in sorted(names):
                print("  " + os.path.relpath(os.path.join(base, name), menu))
    lines = Journal(os.path.join(root, "client")).lines()
    if lines:
        print("What the client was told (its journal):")
        for line in lines:
            print("  " + line)


def main():
    args = sys.argv[1:]
    about_list = describe_list()
    session = WineSession("demo", SIGNED_INSTALLER)
    virtual = not has_display()
    if not virtual:
        session.display = os.environ["DISPLAY"]
        session._start_xvfb = lambda: None
    session.start()
    try:
        # The sample distribution, served over HTTP on loopback under the
        # distribution path the maker's server uses.
        web_root = os.path.join(session.root, "web")
        os.makedirs(os.path.join(web_root, "zorv", "distribution"))
        shutil.copytree(DISTRIBUTION, os.path.join(web_root, "zorv", "distribution", "win32"))
        with DistributionServer(web_root) as server:
            check_distribution(server.url("/zorv/distribution/win32"))
            checked = len(server.requests)
            args = args or ["/url", server.url("/zorv/distribution/win32")]
            print("The key-built installer %s\n(built with the vendor's public key of the build; it walks only lists"
                  " signed with that key)\ninstalls the signed sample distribution (%s): installer.exe %s"
                  % (os.path.relpath(SIGNED_INSTALLER, ROOT), about_list, " ".join(args)))
            if virtual:
                run_on_virtual_display(session, args)
            else:
                run_in_window(session, args)
            print("\nThe server answered %d requests of the installer." % (len(server.requests) - checked))
        report(session)
    finally:
        session.stop()


if __name__ == "__main__":
    main()
