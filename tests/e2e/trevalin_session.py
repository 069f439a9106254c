"""Running trevalin's dialog in a throw-away prefix on an X display of its own (xvfb_display),
reading it from outside with the test helper program (trevalin_probe), and reading screenshots.

Used by the whole-program test and by the demonstration script.
"""
import os
import shutil
import subprocess
import time

from wine_session import ROOT

LOGO_BMP = os.path.join(ROOT, "cure_gui", "res", "logo.bmp")
LOGO_KEY = (248, 246, 244)
UNINSTALL_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"


def prepare_prefix(prefix, display):
    """Makes the prefix draw its windows' frames itself (there is no window manager on the
    display) with the caption buttons' symbol font, and points it at the display."""
    prefix.env["DISPLAY"] = display
    prefix.reg(["add", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated", "/d", "N", "/f"])
    marlett = "/usr/share/wine/fonts/marlett.ttf"
    if os.path.isfile(marlett):
        fonts = os.path.join(prefix.windows_dir(), "Fonts")
        os.makedirs(fonts, exist_ok=True)
        shutil.copy(marlett, fonts)


def environment(prefix, russian):
    env = dict(prefix.env)
    # Wine takes the user's locale from LC_ALL; LANG alone is not enough.
    env["LC_ALL"] = "ru_RU.UTF-8" if russian else "en_US.UTF-8"
    return env


class Probe:
    def __init__(self, prefix, probe_exe):
        self.prefix = prefix
        self.exe = probe_exe

    def dump(self):
        """The dialog's state as a dict; {"dialogs": "0"} when none is open."""
        result = self.prefix.run([self.exe, "dump"], timeout=60)
        state = {}
        for line in result.stdout.decode("utf-8", "replace").splitlines():
            key, sep, value = line.partition("=")
            if sep:
                state[key] = value
        return state

    def wait_for(self, predicate, timeout=90, what="the dialog"):
        deadline = time.time() + timeout
        state = {}
        while time.time() < deadline:
            state = self.dump()
            if predicate(state):
                return state
            time.sleep(0.3)
        raise AssertionError("timed out waiting for %s; last state: %r" % (what, state))

    def state_after(self, predicate, timeout=90, what="the dialog"):
        """Waits for the predicate, then reads the dialog once more: a dump reads the
        controls one after another while the dialog may still change, so the other texts
        of the dump that first met the predicate may be older than the awaited one."""
        self.wait_for(predicate, timeout=timeout, what=what)
        return self.dump()

    def press(self, what):
        result = self.prefix.run([self.exe, "press", what], timeout=60)
        if result.returncode != 0:
            raise AssertionError("press %s failed with %d" % (what, result.returncode))

    def spawn(self, args, env=None):
        return subprocess.Popen(["/usr/lib/wine/wine64", self.exe] + list(args), env=env or self.prefix.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def rect(text):
    return tuple(int(v) for v in text.split(","))


def add_family(prefix, probe_exe, uninstaller_exe, title="Digital Access - Browser Lock", view=None):
    """A running family window (shown by the probe) and an installed family entry whose
    uninstaller (the stand-in, installed under Program Files) asks its Yes/No question.
    view "32" puts the entry in the registry view of 32-bit programs, where the delivered
    32-bit program looks for it on a 64-bit system.
    Returns the record files (window, uninstaller) and the window's process."""
    window_record = prefix.host_path("c:\\family_window.txt")
    uninstall_record = prefix.host_path("c:\\family_uninstall.txt")
    folder = prefix.host_path("c:\\Program Files\\Digital Access")
    os.makedirs(folder, exist_ok=True)
    shutil.copy(uninstaller_exe, os.path.join(folder, "uninst.exe"))
    key = UNINSTALL_KEY + "\\DigitalAccess"
    flags = ["/f"] + (["/reg:" + view] if view else [])
    prefix.reg(["add", key, "/v", "DisplayName", "/d", "Digital Access"] + flags)
    prefix.reg(["add", key, "/v", "UninstallString", "/d",
                '"C:\\Program Files\\Digital Access\\uninst.exe" C:\\family_uninstall.txt'] + flags)
    window = subprocess.Popen(["/usr/lib/wine/wine64", probe_exe, "window", title, "C:\\family_window.txt"],
                              env=prefix.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.time() + 60
    while not (os.path.exists(window_record) and "shown" in read_text(window_record)):
        if time.time() > deadline or window.poll() is not None:
            raise AssertionError("the family window did not come up")
        time.sleep(0.2)
    return window_record, uninstall_record, window


def read_text(path):
    try:
        with open(path, "r", encoding="utf-8", errors="replace") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def screenshot(display, path):
    subprocess.run(["import", "-display", display, "-window", "root", path], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def crop_pixels(image_path, x, y, width, height):
    """Rows of (r, g, b) of a region of an image, read through ImageMagick as PPM."""
    data = subprocess.run(["convert", image_path, "-crop", "%dx%d+%d+%d" % (width, height, x, y), "+repage",
                           "-depth", "8", "ppm:-"], check=True, stdout=subprocess.PIPE).stdout
    fields = []
    pos = 0
    while len(fields) < 4:  # magic, width, height, maximum
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    w, h = int(fields[1]), int(fields[2])
    if fields[0] != b"P6" or (w, h) != (width, height) or len(data) - pos < w * h * 3:
        raise AssertionError("unexpected crop of %s: %r" % (image_path, fields))
    return [[tuple(data[pos + 3 * (row * w + col):pos + 3 * (row * w + col) + 3]) for col in range(w)]
            for row in range(h)]


def read_bmp24(path):
    """Rows of (r, g, b) of an uncompressed 24 bits-per-pixel bitmap file."""
    with open(path, "rb") as f:
        data = f.read()
    offset = int.from_bytes(data[10:14], "little")
    width = int.from_bytes(data[18:22], "little", signed=True)
    height = int.from_bytes(data[22:26], "little", signed=True)
    bits = int.from_bytes(data[28:30], "little")
    if bits != 24 or width <= 0 or height <= 0:
        raise AssertionError("not a bottom-up 24-bit bitmap: %s" % path)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):
        row_start = offset + (height - 1 - y) * stride
        rows.append([(data[row_start + 3 * x + 2], data[row_start + 3 * x + 1], data[row_start + 3 * x])
                     for x in range(width)])
    return rows


def logo_mismatches(image_path, client, right_margin=10, bottom_margin=5):
    """Compares the screenshot with the logo drawn transparent at its place in the client
    area (left, top, right, bottom in screen pixels): logo pixels must show as they are,
    background pixels must show the dialog's own background. Returns a list of faults."""
    logo = read_bmp24(LOGO_BMP)
    height, width = len(logo), len(logo[0])
    left, top, right, bottom = client
    x0 = right - width - right_margin
    y0 = bottom - height - bottom_margin
    # The dialog's background, taken from the empty strip below the logo.
    background = crop_pixels(image_path, x0, bottom - 2, 1, 1)[0][0]
    shown = crop_pixels(image_path, x0, y0, width, height)
    faults = []
    if background == LOGO_KEY:
        faults.append("the dialog's background is the logo's own background colour")
    for y in range(height):
        for x in range(width):
            want = background if logo[y][x] == LOGO_KEY else logo[y][x]
            if shown[y][x] != want:
                faults.append("(%d,%d): %r instead of %r" % (x, y, shown[y][x], want))
    return faults
