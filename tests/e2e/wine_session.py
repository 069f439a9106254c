"""Throw-away Wine prefixes for the end-to-end tests.

A WinePrefix is a copy of the prefix template that scripts/make_prefix.sh made for this
run (no z: drive, no links to $HOME), with its own persistent wineserver, started once
and stopped by its pid when the prefix is left. Programs run through the 64-bit loader.
"""
import os
import pty
import re
import select
import shutil
import signal
import subprocess
import tempfile
import termios
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("BUILD_ROOT", os.path.join(ROOT, "build"))
WINE64 = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"


def template_path():
    return os.environ.get("CURES_WINE_TEMPLATE", os.path.join(BUILD, "wine", "template"))


def ensure_template():
    """Makes the prefix template once per build tree."""
    template = template_path()
    if not os.path.isfile(os.path.join(template, "system.reg")):
        subprocess.run([os.path.join(ROOT, "scripts", "make_prefix.sh"), template], check=True)
    return template


class WinePrefix:
    def __init__(self, name, win98=False, loader=WINE64, template=None, extra_env=None):
        """loader and template default to 64-bit Wine and this run's prefix template; the
        32-bit tier passes its own loader pair and prefix, and its emulator settings."""
        self.prefix = os.path.join(BUILD, "wine", name)
        self.win98 = win98
        self.loader = loader
        self.template = template
        self.extra_env = extra_env or {}
        self.server = None

    # -- life cycle -------------------------------------------------------------------
    def __enter__(self):
        template = self.template or ensure_template()
        if os.path.exists(self.prefix):
            shutil.rmtree(self.prefix)
        shutil.copytree(template, self.prefix, symlinks=True)
        # Nothing may sweep or delete outside the prefix: every drive must lead into it.
        dosdevices = os.path.join(self.prefix, "dosdevices")
        for name in os.listdir(dosdevices):
            target = os.path.realpath(os.path.join(dosdevices, name))
            if name.endswith(":") and not target.startswith(os.path.realpath(self.prefix) + os.sep):
                raise RuntimeError("drive %s of the prefix leads outside it, to %s" % (name, target))
        self.env = dict(os.environ)
        self.env.update(WINEPREFIX=self.prefix, WINEDEBUG="-all", WINEARCH="win64",
                        WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=")
        self.env.pop("WINELOADER", None)
        self.env.update(self.extra_env)
        self.server = subprocess.Popen([WINESERVER, "-f", "-p"], env=self.env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if self.win98:
            self.set_version("win98")
        return self

    def __exit__(self, *exc):
        self.stop_server()
        # A prefix takes about 700 MB and a test run makes dozens: each goes when its test
        # is done, unless CURES_KEEP_PREFIXES asks to keep them for a look.
        if not os.environ.get("CURES_KEEP_PREFIXES"):
            shutil.rmtree(self.prefix, ignore_errors=True)
        return False

    def stop_server(self):
        if self.server and self.server.poll() is None:
            # Ends the programs still running in this prefix, then the server itself.
            subprocess.run([WINESERVER, "-k"], env=self.env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                self.server.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.server.send_signal(signal.SIGKILL)
                self.server.wait()
        self.server = None

    # -- paths ------------------------------------------------------------------------
    def drive(self, letter="c"):
        """Linux folder of a drive; drives other than c: are made on first use, fixed."""
        letter = letter.lower()
        if letter == "c":
            return os.path.join(self.prefix, "drive_c")
        folder = os.path.join(self.prefix, "drive_" + letter)
        link = os.path.join(self.prefix, "dosdevices", letter + ":")
        if not os.path.lexists(link):
            os.makedirs(folder, exist_ok=True)
            os.symlink(os.path.relpath(folder, os.path.dirname(link)), link)
            # A drive whose folder is not a mount point counts as fixed (type 3) only when
            # the registry says so; without it Wine guesses from the Unix file system.
            self.reg(["add", r"HKLM\Software\Wine\Drives", "/v", letter + ":", "/d", "hd", "/f"])
        return folder

    def host_path(self, windows_path):
        """Linux path of a Windows path such as c:\\dir\\file.exe."""
        drive, rest = windows_path[0], windows_path[3:] if len(windows_path) > 2 else ""
        return os.path.join(self.drive(drive), *[p for p in rest.replace("\\", "/").split("/") if p])

    def windows_dir(self):
        return os.path.join(self.prefix, "drive_c", "windows")

    def temp_dir(self):
        users = os.path.join(self.prefix, "drive_c", "users")
        for user in os.listdir(users):
            candidate = os.path.join(users, user, "Temp")
            if user != "Public" and os.path.isdir(candidate):
                return candidate
        raise RuntimeError("no temporary folder in the prefix")

    # -- running ----------------------------------------------------------------------
    def working_dir(self):
        """Programs start in c:\\ of the prefix. A host folder that no drive maps (the usual
        case once z: is gone) makes Wine print a warning on the program's console."""
        return self.drive("c")

    def run(self, args, timeout=120, check=False, **kwargs):
        """Runs a program (a Linux path to an .exe, or a Windows command) through wine64.

        Its output is collected in files, not pipes: the first program of a prefix starts
        Wine's background services, which inherit the output handles and keep a pipe open
        long after the program itself has ended.
        """
        kwargs.setdefault("cwd", self.working_dir())
        if "stdout" in kwargs or "stderr" in kwargs or "capture_output" in kwargs:
            return subprocess.run([self.loader] + list(args), env=self.env, timeout=timeout,
                                  check=check, **kwargs)
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.run([self.loader] + list(args), env=self.env, timeout=timeout,
                                  stdout=out, stderr=err, **kwargs)
            out.seek(0)
            err.seek(0)
            result = subprocess.CompletedProcess(proc.args, proc.returncode, out.read(), err.read())
        if check:
            result.check_returncode()
        return result

    def spawn(self, args, **kwargs):
        kwargs.setdefault("env", self.env)
        kwargs.setdefault("cwd", self.working_dir())
        return subprocess.Popen([self.loader] + list(args), **kwargs)

    def reg(self, args, check=True):
        r = self.run(["reg"] + list(args))
        if check and r.returncode != 0:
            raise RuntimeError("reg %s failed: %s" % (args, r.stdout + r.stderr))
        return r.stdout.decode("utf-8", "replace")

    def set_version(self, version):
        """win98 makes GetVersionExA report the 9x family; None returns to the NT family."""
        if version:
            self.reg(["add", r"HKCU\Software\Wine", "/v", "Version", "/d", version, "/f"])
        else:
            self.reg(["delete", r"HKCU\Software\Wine", "/v", "Version", "/f"], check=False)

    def pending_renames(self):
        """The boot-time operations as a list of (source, destination) strings."""
        out = self.reg(["query", r"HKLM\System\CurrentControlSet\Control\Session Manager",
                        "/v", "PendingFileRenameOperations"], check=False)
        for line in out.splitlines():
            if "PendingFileRenameOperations" in line and "REG_MULTI_SZ" in line:
                data = line.split("REG_MULTI_SZ", 1)[1].strip()
                items = data.split("\\0")
                pairs = []
                for i in range(0, len(items) - 1, 2):
                    pairs.append((items[i], items[i + 1]))
                return pairs
        return []

    def run_console(self, args, keys=(), wait_for=(), stdout_path=None, timeout=120,
                    screen=None, stdout_on_screen=False, cwd=None):
        """Runs a console program in a pseudo-terminal with its standard output in a file.

        keys: what to type, one item per answer; before typing item i the run waits until
        the output holds wait_for[i] (when given). screen: a bytearray that receives what the
        console showed in the terminal (echo, the console's own drawing, standard error).
        stdout_on_screen: standard output goes to the console too, so that the screen holds
        the program's own lines; the markers are then looked for on the screen.
        cwd: the Linux folder the program starts in (default: c:\ of the prefix).
        Returns (exit code, stdout bytes).
        """
        if stdout_path is None:
            stdout_path = os.path.join(self.prefix, "stdout.txt")
        if stdout_on_screen and screen is None:
            raise ValueError("stdout_on_screen needs a screen to collect it")
        master, slave = pty.openpty()
        with open(stdout_path, "wb") as out:
            proc = subprocess.Popen([self.loader] + list(args), env=self.env, stdin=slave,
                                    stdout=slave if stdout_on_screen else out, stderr=slave,
                                    start_new_session=True, cwd=cwd or self.working_dir())
        os.close(slave)

        def output():
            return screen_text(screen).encode("latin-1") if stdout_on_screen else _read(stdout_path)

        deadline = time.time() + timeout
        try:
            if keys:
                _wait_for_raw_terminal(master, proc, screen)
            for i, key in enumerate(keys):
                marker = wait_for[i] if i < len(wait_for) else None
                if isinstance(marker, str):
                    marker = marker.encode()
                while marker is not None and marker not in output():
                    _drain(master, screen)
                    if proc.poll() is not None or time.time() > deadline:
                        raise RuntimeError("program ended or timed out before %r; output: %r"
                                           % (marker, output()))
                    time.sleep(0.05)
                time.sleep(0.2)
                os.write(master, key if isinstance(key, bytes) else key.encode())
            while proc.poll() is None:
                _drain(master, screen)
                if time.time() > deadline:
                    proc.kill()
                    raise RuntimeError("program timed out; output: %r" % _read(stdout_path))
                time.sleep(0.05)
        finally:
            _drain(master, screen)
            os.close(master)
        return proc.returncode, _read(stdout_path)


def end_processes(*procs):
    """Ends the processes a test started that still run, and waits for each."""
    for proc in procs:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


def screen_text(screen):
    """What the console drew in the terminal as text, without its control sequences. Wine's
    console draws a space by moving the cursor on, so the words of a line run together."""
    text = bytes(screen).decode("latin-1")
    text = re.sub(r"\x1b\][^\x07\x1b]*(\x07|\x1b\\)", "", text)   # window title and the like
    text = re.sub(r"\x1b\[[0-9;?<=>]*[ -/]*[@-~]", "", text)      # cursor, colour, modes
    text = re.sub(r"\x1b[()][0-9A-Za-z]|\x1b[=>78]", "", text)
    return text


def _read(path):
    with open(path, "rb") as f:
        return f.read()


def _wait_for_raw_terminal(master, proc, screen, limit=10.0):
    """Waits until the console has taken the terminal out of line mode. Before that the
    terminal itself would echo the keys and hold them back until a line end."""
    deadline = time.time() + limit
    while time.time() < deadline and proc.poll() is None:
        lflag = termios.tcgetattr(master)[3]
        if not lflag & (termios.ECHO | termios.ICANON):
            return
        _drain(master, screen)
        time.sleep(0.05)


def _drain(fd, sink=None):
    while select.select([fd], [], [], 0)[0]:
        try:
            data = os.read(fd, 4096)
        except OSError:
            return
        if not data:
            return
        if sink is not None:
            sink.extend(data)
