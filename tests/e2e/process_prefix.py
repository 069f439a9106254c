"""Prefix set-up for the tests of stopping the worm's processes and services.

Wine publishes no process object in its performance data. These helpers give a throw-away
prefix one: the English counter titles that name the process object (230) and its "ID
Process" counter (784), and a test performance provider that reports the running processes.
For services: their keys in the numbered control sets, and their state as sc reports it.
"""
import os
import re
import shutil
import subprocess
import time

from wine_session import WINESERVER

PERFLIB_009 = r"Software\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009"
TITLES_KEY = r"HKLM\Software\PerfTestTitles\009"
TITLES_TARGET = r"\Registry\Machine\Software\PerfTestTitles\009"
PROVIDER_SERVICE = r"HKLM\System\CurrentControlSet\Services\PerfTestProcesses"


def _link_value(target):
    data = target.encode("utf-16-le")
    return '"SymbolicLinkValue"=hex(6):' + ",".join("%02x" % b for b in data)


def _restart_server(p):
    p.server = subprocess.Popen([WINESERVER, "-f", "-p"], env=p.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(0.5)


def install_counter_titles(p, titles):
    """Makes the built-in English titles key a link to an ordinary key holding titles.

    titles: list of (index, title) pairs. The built-in key can't be written, so it is turned
    into a link while the prefix's server is stopped.
    """
    p.stop_server()
    path = os.path.join(p.prefix, "system.reg")
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        text = f.read()
    header = re.compile(r"^\[" + re.escape(PERFLIB_009) + r"\] \d+\n(#time=[0-9a-f]+\n)?", re.M)
    match = header.search(text)
    if not match:
        raise RuntimeError("no English titles key in system.reg")
    text = text[:match.end()] + "#link\n" + _link_value(TITLES_TARGET) + "\n" + text[match.end():]
    with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
        f.write(text)
    _restart_server(p)
    data = "\\0".join("%s\\0%s" % pair for pair in titles)
    p.reg(["add", TITLES_KEY, "/v", "Counters", "/t", "REG_MULTI_SZ", "/d", data, "/f"])


def install_process_provider(p, provider_dll):
    """Registers the test provider that reports the running processes as object 230."""
    system32 = os.path.join(p.windows_dir(), "system32")
    shutil.copy(provider_dll, os.path.join(system32, "perf_provider.dll"))
    key = PROVIDER_SERVICE + r"\Performance"
    for name, value in (("Library", "perf_provider.dll"), ("Open", "OpenProcessData"),
                        ("Collect", "CollectProcessData"), ("Close", "CloseProcessData")):
        p.reg(["add", key, "/v", name, "/d", value, "/f"])


STANDARD_TITLES = [("1", "1847"), ("2", "System"), ("6", "% Processor Time"),
                   ("230", "Process"), ("784", "ID Process"), ("1846", "End Marker")]


def key_exists(p, key):
    return p.run(["reg", "query", key]).returncode == 0


def service_state(p, name):
    """The service's state word from sc query ("RUNNING", "STOPPED", ...), or None."""
    out = p.run(["sc", "query", name]).stdout.decode("latin-1")
    for line in out.splitlines():
        if "STATE" in line:
            return line.split()[-1]
    return None


def wait_for_state(p, name, wanted, seconds=15):
    deadline = time.time() + seconds
    state = service_state(p, name)
    while state != wanted and time.time() < deadline:
        time.sleep(0.3)
        state = service_state(p, name)
    return state


def make_service_keys(p, control_set, name, extra_subkey=None):
    base = r"HKLM\SYSTEM\ControlSet%03d\Services\%s" % (control_set, name)
    p.reg(["add", base, "/v", "ImagePath", "/d", r"c:\svc\%s" % name, "/f"])
    p.reg(["add", base + r"\Security", "/v", "Security", "/t", "REG_BINARY", "/d", "0100", "/f"])
    if extra_subkey:
        p.reg(["add", base + "\\" + extra_subkey, "/v", "x", "/d", "y", "/f"])
    return base
