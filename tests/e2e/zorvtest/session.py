"""A Wine session of a test module's own: Xvfb, a 32-bit prefix, a persistent
wineserver, and the installer and the UI driver run inside it.

Everything started here is stopped by process id in stop(); the prefix's
wineserver is ended with `wineserver -k`, which touches that prefix only."""

import fcntl
import os
import shutil
import signal
import subprocess
import tempfile
import time

from zorvtest.ui_driver import DriverTimeout, ServingDriver

WIN32_DIR = os.environ.get("ZORV_WIN32_DIR", "")
WORK_DIR = os.environ.get("ZORV_E2E_WORK", os.path.join(tempfile.gettempdir(), "zorv-e2e"))
SCREENSHOT_DIR = os.environ.get("ZORV_SCREENSHOTS", os.path.join(WORK_DIR, "screenshots"))

INSTALLER = os.path.join(WIN32_DIR, "installer", "installer.exe")
# Built with the vendor's public key: walks only lists signed with its private key.
SIGNED_INSTALLER = os.path.join(WIN32_DIR, "installer", "signed", "installer.exe")
DRIVER = os.path.join(WIN32_DIR, "tests", "driver", "uidriver.exe")

LANGUAGES = {"de": "de_DE", "fr": "fr_FR", "en": "en_US"}

# One prefix made with wineboot per run of the tests, copied for each session.
TEMPLATE_PREFIX = os.path.join(WORK_DIR, "template", "prefix")
# Wine's own program files in the prefix, which no test writes: linked, not copied.
LINKED_ENDINGS = (".dll", ".exe", ".drv", ".sys", ".ocx", ".cpl", ".acm", ".tlb", ".ax", ".ds", ".nls", ".ttf")


class HarnessError(AssertionError):
    pass


def _kill(pid):
    try:
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


def run_captured(args, env, timeout):
    """subprocess.run with the output caught in files, not pipes: a Wine
    service that the program happens to start inherits its output handles and
    outlives it, and a pipe would not end before that service does."""
    with tempfile.TemporaryFile() as stdout, tempfile.TemporaryFile() as stderr:
        returncode = subprocess.run(args, env=env, stdin=subprocess.DEVNULL, stdout=stdout, stderr=stderr,
                                    timeout=timeout).returncode
        stdout.seek(0)
        stderr.seek(0)
        return subprocess.CompletedProcess(args, returncode, stdout.read(), stderr.read())


_locales = None


def locale_dir():
    """Generated locales for the user-language tests: Wine takes the user
    language from LC_ALL, and only for a locale that exists. Made once,
    under a lock: modules may run at the same time."""
    global _locales
    if _locales is not None:
        return _locales
    path = os.path.join(WORK_DIR, "locales")
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(WORK_DIR, "locales.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        for lang in LANGUAGES.values():
            target = os.path.join(path, lang + ".UTF-8")
            if not os.path.isdir(target):
                subprocess.run(["localedef", "-i", lang, "-f", "UTF-8", target],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    _locales = path
    return path


def _prefix_env(prefix, display):
    env = dict(os.environ, WINEPREFIX=prefix, WINEARCH="win32", WINEDEBUG="-all", DISPLAY=display or "",
               WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d")
    for key in ("LANG", "LANGUAGE", "LC_ALL", "LC_MESSAGES"):
        env.pop(key, None)
    return env


def _quiet(args, env, timeout):
    # The persistent server and its services must not inherit a test
    # runner's pipes, or the runner waits for them for ever.
    return subprocess.run(args, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=timeout)


def template_prefix(display):
    """The run's template prefix, made once (under a lock, for modules that
    run at the same time): a 32-bit prefix with the settings every session
    needs."""
    os.makedirs(os.path.dirname(TEMPLATE_PREFIX), exist_ok=True)
    ready = os.path.join(os.path.dirname(TEMPLATE_PREFIX), "ready")
    with open(os.path.join(os.path.dirname(TEMPLATE_PREFIX), "lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.exists(ready):
            shutil.rmtree(TEMPLATE_PREFIX, ignore_errors=True)
            env = _prefix_env(TEMPLATE_PREFIX, display)
            if _quiet(["wineboot", "-i"], env, 180).returncode != 0:
                raise HarnessError("wineboot could not make the template prefix")
            _quiet(["wineserver", "-p"], env, 60)
            for args in (
                    # No window manager: without this Wine waits 2 s after every message box.
                    ["reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/t", "REG_SZ", "/d", "N", "/f"],
                    # Windows always has this key; a fresh prefix does not.
                    ["reg", "add", r"HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce", "/f"]):
                if _quiet(["wine"] + args, env, 60).returncode != 0:
                    raise HarnessError("could not set up the template prefix: %s" % " ".join(args))
            # The server writes the registry to the prefix when it ends.
            _quiet(["wineserver", "-k"], env, 60)
            _quiet(["wineserver", "-w"], env, 60)
            open(ready, "w").close()
    return TEMPLATE_PREFIX


def copy_prefix(template, target):
    def copy(source, destination):
        if source.lower().endswith(LINKED_ENDINGS):
            os.link(source, destination)
        else:
            shutil.copy2(source, destination)
    shutil.copytree(template, target, symlinks=True, copy_function=copy)


class Installer:
    """One run of installer.exe (the Linux process is the Windows process)."""

    def __init__(self, session, popen):
        self.session = session
        self.popen = popen

    def wait(self, timeout):
        try:
            return self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise HarnessError("the installer did not end within %s s; it was killed" % timeout)

    def running(self):
        return self.popen.poll() is None

    def kill(self):
        if self.popen.poll() is None:
            _kill(self.popen.pid)
            try:
                self.popen.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass


class WineSession:
    def __init__(self, name, installer=INSTALLER):
        """installer: the executable start_installer runs unless told another
        (INSTALLER, or SIGNED_INSTALLER for the key-built one)."""
        self.name = name
        self.installer = installer
        self.root = os.path.join(WORK_DIR, name)
        self.prefix = os.path.join(self.root, "prefix")
        self.xvfb = None
        self.display = None
        self.installers = []
        self.children = []
        self.serving = None

    # -- lifecycle -----------------------------------------------------------
    def start(self):
        if not os.path.isfile(self.installer) or not os.path.isfile(DRIVER):
            raise HarnessError("%s or uidriver.exe not built (ZORV_WIN32_DIR=%r)" % (self.installer, WIN32_DIR))
        shutil.rmtree(self.root, ignore_errors=True)
        os.makedirs(self.root)
        self._start_xvfb()
        copy_prefix(template_prefix(self.display), self.prefix)
        _quiet(["wineserver", "-p"], self.env(), 60)
        return self

    def _start_xvfb(self):
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write_fd)
        deadline = time.time() + 30
        data = b""
        while time.time() < deadline and not data.endswith(b"\n"):
            chunk = os.read(read_fd, 64)
            if not chunk:
                break
            data += chunk
        os.close(read_fd)
        if not data.strip():
            raise HarnessError("Xvfb did not start")
        self.display = ":" + data.strip().decode()

    def stop(self):
        if self.serving is not None:
            self.serving.stop()
            self.serving = None
        for installer in self.installers:
            installer.kill()
        for child in self.children:
            if child.poll() is None:
                _kill(child.pid)
                try:
                    child.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    pass
        if os.path.isdir(self.prefix):
            subprocess.run(["wineserver", "-k"], env=self.env(), stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        if self.xvfb is not None and self.xvfb.poll() is None:
            _kill(self.xvfb.pid)
            self.xvfb.wait(timeout=10)

    # -- environment ---------------------------------------------------------
    def env(self, language=None, dll_overrides=None):
        """dll_overrides: more WINEDLLOVERRIDES entries ("name=n,b;..."); Wine
        reads them from the Unix environment of the program only."""
        env = dict(os.environ)
        for key in ("LANG", "LANGUAGE", "LC_ALL", "LC_MESSAGES", "LOCPATH"):
            env.pop(key, None)
        env.update({
            "WINEPREFIX": self.prefix,
            "WINEARCH": "win32",
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "winemenubuilder.exe=d;mscoree=d;mshtml=d" + (";" + dll_overrides if dll_overrides else ""),
            "DISPLAY": self.display or "",
        })
        # Every program gets a real locale: with none Wine may keep the user
        # language of an earlier process.
        env["LOCPATH"] = locale_dir()
        env["LC_ALL"] = LANGUAGES.get(language, "en_US") + ".UTF-8"
        return env

    def drive_c(self, *parts):
        return os.path.join(self.prefix, "drive_c", *parts)

    def unix_path(self, windows_path):
        """C:\\a\\b -> the file in the prefix."""
        assert windows_path[1:3] == ":\\", windows_path
        rest = windows_path[3:].replace("\\", "/")
        if windows_path[0].upper() == "C":
            return os.path.join(self.prefix, "drive_c", rest)
        return os.path.join(self.prefix, "dosdevices", windows_path[0].lower() + ":", rest)

    # -- running programs ----------------------------------------------------
    def wine(self, args, timeout=60, language=None, check=True):
        result = run_captured(["wine"] + list(args), self.env(language), timeout)
        if check and result.returncode != 0:
            raise HarnessError("wine %s failed (%d): %s" % (" ".join(args), result.returncode,
                                                            result.stderr.decode(errors="replace")))
        return result

    def start_installer(self, args=(), language=None, exe=None, dll_overrides=None):
        popen = subprocess.Popen(["wine", exe or self.installer] + list(args), env=self.env(language, dll_overrides),
                                 stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        installer = Installer(self, popen)
        self.installers.append(installer)
        return installer

    def start_program(self, args, language=None):
        """A helper program of the tests under the same Wine."""
        popen = subprocess.Popen(["wine"] + list(args), env=self.env(language), stdin=subprocess.DEVNULL,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.children.append(popen)
        return popen

    def driver(self, *args, timeout=20, check=True):
        """Runs one UI driver command; returns its output without the final newline."""
        code, out = self._driver_command([str(a) for a in args], timeout)
        if check and code != 0:
            raise HarnessError("uidriver %s: %s" % (" ".join(map(str, args)), out.strip()))
        return out[:-1] if out.endswith("\n") else out

    def driver_ok(self, *args, timeout=20):
        """True when the driver command succeeded (for waits that may time out)."""
        return self._driver_command([str(a) for a in args], timeout)[0] == 0

    def _driver_command(self, args, timeout):
        """(exit code, output and messages) of one command, from the driver
        that serves this session; a command sent while another thread's
        command runs gets a driver process of its own."""
        if self.serving is None or not self.serving.alive():
            if self.serving is not None:
                self.serving.stop()
            try:
                self.serving = ServingDriver(DRIVER, self.env())
            except DriverTimeout as e:
                raise HarnessError(str(e))
        try:
            answer = self.serving.run(args, timeout + 20)
        except DriverTimeout as e:
            raise HarnessError("uidriver %s did not answer: %s" % (" ".join(args), e))
        if answer is not None:
            return answer
        try:
            result = run_captured(["wine", DRIVER] + args, self.env(), timeout + 20)
        except subprocess.TimeoutExpired:
            raise HarnessError("uidriver %s did not answer" % " ".join(args))
        text = (result.stdout + result.stderr).decode("cp1252", errors="replace").replace("\r\n", "\n")
        return result.returncode, text

    # -- the wizard ----------------------------------------------------------
    def wait_page(self, template_id, timeout=20):
        self.driver("wait-page", template_id, timeout, timeout=timeout)

    def page(self):
        return int(self.driver("page"))

    def press(self, button):
        self.driver("press", button)

    def text(self, control_id):
        return self.driver("text", control_id)

    def flag(self, what, control_id):
        return self.driver(what, control_id) == "1"

    def wait_msgbox(self, timeout=20):
        """Returns the showing message box as a dict: icon, buttons, text."""
        out = self.driver("wait-msgbox", timeout, timeout=timeout)
        box = {}
        lines = out.split("\n")
        box["icon"] = lines[0] == "icon=1"
        box["buttons"] = [int(b) for b in lines[1][len("buttons="):].split(",") if b]
        box["text"] = "\n".join(lines[2:])[len("text="):]
        return box

    def answer_msgbox(self, button_id):
        self.driver("msgbox-answer", button_id)

    # -- registry ------------------------------------------------------------
    def reg_add(self, key, name, kind, data):
        self.wine(["reg", "add", key, "/v", name, "/t", kind, "/d", str(data), "/f"])

    def reg_add_key(self, key):
        self.wine(["reg", "add", key, "/f"])

    def reg_delete(self, key, name=None):
        args = ["reg", "delete", key, "/f"] + (["/v", name] if name else [])
        self.wine(args, check=False)

    def reg_query(self, key, name):
        """The value's data as reg.exe prints it, or None when it is missing."""
        result = self.wine(["reg", "query", key, "/v", name], check=False)
        if result.returncode != 0:
            return None
        for line in result.stdout.decode("cp1252", errors="replace").splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[0].lower() == name.lower() and parts[1].startswith("REG_"):
                return parts[2] if len(parts) > 2 else ""
        return None

    # -- what the user sees ---------------------------------------------------
    def control_pixels(self, control_id, name):
        """A screenshot cut to one control: its RGB pixels as bytes, row by row."""
        x, y, width, height = (int(v) for v in self.driver("rect", control_id).split())
        shot = self.screen_capture(name)
        result = subprocess.run(["convert", shot, "-crop", "%dx%d+%d+%d" % (width, height, x, y), "+repage",
                                 "-depth", "8", "rgb:-"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, timeout=30, check=True)
        if len(result.stdout) != width * height * 3:
            raise HarnessError("control %d is not on the screen (%r)" % (control_id, (x, y, width, height)))
        return result.stdout

    def screen_capture(self, name):
        """The whole virtual screen as a PNG: its pixels are at screen coordinates."""
        os.makedirs(SCREENSHOT_DIR, exist_ok=True)
        path = os.path.join(SCREENSHOT_DIR, name + ".png")
        subprocess.run(["import", "-display", self.display, "-window", "root", path],
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30)
        return path

    def screenshot(self, name):
        """The window in front, with the windows that own it, as a PNG. It
        must show a painted window: the window's size and more than a few
        colours (a window not painted yet is one colour, its frame a few)."""
        path = self.screen_capture(name)
        code, out = self._driver_command(["window-rect"], 20)
        fields = out.split()
        if code != 0 or len(fields) != 4:
            raise HarnessError("screenshot %s: no window in front (%s)" % (name, out.strip()))
        x, y, width, height = (int(v) for v in fields)
        subprocess.run(["convert", path, "-crop", "%dx%d+%d+%d" % (width, height, max(x, 0), max(y, 0)),
                        "+repage", path], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=30, check=True)
        shown = subprocess.run(["identify", "-format", "%w %h %k", path], stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30, check=True)
        shot_width, shot_height, colours = (int(v) for v in shown.stdout.split())
        if (shot_width, shot_height) != (width, height) or colours < 16:
            raise HarnessError("screenshot %s: %dx%d with %d colours, not a painted %dx%d window"
                               % (name, shot_width, shot_height, colours, width, height))
        return path
