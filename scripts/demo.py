"""Runs the freshly built installer under Wine (see demo.sh)."""

import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, os.environ.get("BUILD_DIR", "build"))
os.environ.setdefault("ZORV_WIN32_DIR", os.path.join(BUILD, "win32"))
os.environ.setdefault("ZORV_E2E_WORK", os.path.join(BUILD, "demo"))
os.environ.setdefault("ZORV_SCREENSHOTS", os.path.join(BUILD, "demo", "screenshots"))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from zorvtest.session import WineSession  # noqa: E402

PAGES = ((102, "welcome"), (106, "folder"), (103, "proxy"), (104, "ready"), (107, "finish"))


def has_display():
    display = os.environ.get("DISPLAY", "")
    if not display.startswith(":"):
        return False
    number = display[1:].split(".")[0]
    return os.path.exists("/tmp/.X11-unix/X" + number)


def run_in_window(session, args):
    print("Starting the installer on %s; close the wizard to end." % os.environ["DISPLAY"])
    installer = session.start_installer(args)
    code = installer.wait(timeout=24 * 3600)
    print("The installer ended with exit code %d." % code)


def run_on_virtual_display(session, args):
    installer = session.start_installer(args)
    session.driver("wait-sheet", 30, timeout=30)
    for template, name in PAGES:
        session.wait_page(template, timeout=120)
        print("page %d (%s): %s" % (template, name, session.screenshot("%02d-%s" % (template, name))))
        session.press("finish" if template == 107 else "next")
    session.driver("wait-gone", 60, timeout=60)
    print("The installer ended with exit code %d." % installer.wait(60))


def main():
    args = sys.argv[1:]
    session = WineSession("demo")
    virtual = not has_display()
    if not virtual:
        session.display = os.environ["DISPLAY"]
        session._start_xvfb = lambda: None
    session.start()
    try:
        if virtual:
            run_on_virtual_display(session, args)
        else:
            run_in_window(session, args)
    finally:
        session.stop()


if __name__ == "__main__":
    main()
