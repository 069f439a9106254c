#!/usr/bin/env python3
"""Shows pemvolt at work on a synthetically infected machine.

In a throw-away Wine prefix without a z: drive, with a second fixed drive d:, it lays out
infected programs (the worm's program carrying the host), bare worm copies, infected and
clean pages, a temporary folder with files, a worm entry in system.ini, a running program
and a registered service named like worm components. Then it runs the x86_64 build of
pemvolt in a pseudo-terminal, answers y and a key, prints the program's own console output
and a before/after summary.

usage: scripts/demo_pemvolt.py      (after scripts/build.sh all; uses $BUILD_ROOT, default build/)
"""
import configparser
import os
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from wine_session import BUILD, WinePrefix  # noqa: E402
from process_prefix import (STANDARD_TITLES, install_counter_titles, install_process_provider,  # noqa: E402
                            make_service_keys, service_state)
import pemvolt_texts  # noqa: E402
from transcript import text  # noqa: E402

SCRIPT = pemvolt_texts.SCRIPT.encode()
PAGE = b"<html><body><h1>Our club</h1>\r\n</body></html>\r\n"

# path, kind, host size, seed
PROGRAMS = [
    (r"c:\Program Files\Editor\editor.exe", "infected", 24000, 11),
    (r"c:\Games\chess.exe", "infected_b", 15000, 12),
    (r"c:\Downloads\readme.exe", "bare", 0, 0),
    (r"c:\Tools\calc.exe", "plain", 9000, 13),
    (r"d:\Work\report.exe", "infected", 30000, 14),
    (r"d:\Work\setup.exe", "bare", 0, 0),
]
PAGES = [
    (r"c:\www\index.html", PAGE + SCRIPT),
    (r"c:\www\about.htm", PAGE),
    (r"d:\Site\default.asp", b"<% Response.Write(Now) %>\r\n" + SCRIPT.upper()),
]
SIGNATURES = [open(os.path.join(ROOT, "worm_cleaner", "res", name), "rb").read()
              for name in ("signature_a.bin", "signature_b.bin")]
TEMP_FILES = ["~setup.tmp", os.path.join("cache", "page1.dat"), os.path.join("cache", "old", "x.log")]


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def describe(data, host):
    if data is None:
        return "gone"
    if host is not None and data == host:
        return "the original program, %d bytes" % len(data)
    if SCRIPT.lower() in data.lower():
        return "page with the worm's script, %d bytes" % len(data)
    if data[4332:4396] in SIGNATURES:
        return "worm program, %d bytes" % len(data)
    if data[:2] == b"MZ":
        return "program without the worm, %d bytes" % len(data)
    return "%d bytes" % len(data)


def main():
    tests = os.path.join(BUILD, "x86_64", "tests", "win")
    pemvolt = os.path.join(BUILD, "x86_64", "worm_cleaner", "pemvolt.exe")
    make_fixture = os.path.join(BUILD, "native", "tests", "tools", "make_fixture")
    needed = [pemvolt, make_fixture] + [os.path.join(tests, n) for n in
                                        ("perf_provider.dll", "proc_sleeper.exe", "proc_test_service.exe",
                                         os.path.join("standin", "net.exe"))]
    for exe in needed:
        if not os.path.isfile(exe):
            print("missing %s: run scripts/build.sh all first" % exe)
            return 2

    with WinePrefix("demo_pemvolt") as p:
        # Processes become visible to the program through a performance provider; the
        # prefix's server restarts for that, so it comes first.
        install_counter_titles(p, STANDARD_TITLES)
        install_process_provider(p, os.path.join(tests, "perf_provider.dll"))
        p.drive("d")
        expected = os.path.join(p.prefix, "hosts")
        os.makedirs(expected)
        hosts = {}
        for path, kind, size, seed in PROGRAMS:
            target = p.host_path(path)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            subprocess.run([make_fixture, kind, target] + ([str(size), str(seed)] if size else []), check=True)
            if kind.startswith("infected"):
                hosts[path] = os.path.join(expected, "%d.bin" % len(hosts))
                subprocess.run([make_fixture, "host", hosts[path], str(size), str(seed)], check=True)
        for path, content in PAGES:
            os.makedirs(os.path.dirname(p.host_path(path)), exist_ok=True)
            with open(p.host_path(path), "wb") as f:
                f.write(content)
        temp = p.temp_dir()
        for name in TEMP_FILES:
            os.makedirs(os.path.dirname(os.path.join(temp, name)), exist_ok=True)
            with open(os.path.join(temp, name), "wb") as f:
                f.write(b"temporary data")
        with open(os.path.join(p.windows_dir(), "system.ini"), "wb") as f:
            f.write(b"[boot]\r\nshell=Explorer.exe load.exe\r\n")

        # A worm process and a worm service, named like two of its components.
        worm_dir = p.host_path(r"c:\worm")
        os.makedirs(worm_dir)
        shutil.copy(os.path.join(tests, "proc_sleeper.exe"), os.path.join(worm_dir, "MMC.EXE"))
        shutil.copy(os.path.join(tests, "proc_test_service.exe"), os.path.join(worm_dir, "svc.exe"))
        worm = p.spawn([r"c:\worm\MMC.EXE"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        p.run(["sc", "create", "HTTPODBC.DLL", "binPath=", r"c:\worm\svc.exe HTTPODBC.DLL"])
        p.run(["sc", "start", "HTTPODBC.DLL"])
        for number in (1, 2):
            make_service_keys(p, number, "HTTPODBC.DLL")

        tools = p.host_path(r"c:\tools")
        os.makedirs(tools)
        shutil.copy(pemvolt, tools)
        # The guest account command goes to a stand-in net that records it: Wine's own net
        # does not know "localgroup". pemvolt runs net from the system folder, so the
        # stand-in takes the place of Wine's there.
        shutil.copy(os.path.join(tests, "standin", "net.exe"),
                    os.path.join(p.windows_dir(), "system32", "net.exe"))
        p.env.update(STANDIN_NET_EXIT="0", STANDIN_NET_LOG=r"c:\net.log",
                     WINEDLLOVERRIDES=p.env["WINEDLLOVERRIDES"] + ";net.exe=n")

        before = {path: read(p.host_path(path)) for path, *_ in PROGRAMS + [(q, None) for q, _ in PAGES]}
        print("=== before: MMC.EXE running: %s, service HTTPODBC.DLL: %s, temporary files: %d"
              % (worm.poll() is None, service_state(p, "HTTPODBC.DLL"), len(TEMP_FILES)))

        print("=== pemvolt's console (answered y, then a key)")
        code, stdout = p.run_console([r"c:\tools\pemvolt.exe"], keys=["y", " "],
                                     wait_for=[pemvolt_texts.PROMPT_MARK, pemvolt_texts.PAUSE_MARK],
                                     timeout=600)
        sys.stdout.write(text(stdout))
        print("=== exit status %d" % code)

        print("=== before -> after")
        for path in before:
            host = read(hosts[path]) if path in hosts else None
            print("%-40s %-40s -> %s" % (path, describe(before[path], host), describe(read(p.host_path(path)), host)))
        left = [os.path.join(d, f) for d, _, files in os.walk(temp) for f in files]
        print("%-40s %-40s -> %d files" % ("temporary folder", "%d files" % len(TEMP_FILES), len(left)))
        print("%-40s %-40s -> %s" % ("MMC.EXE process", "running", "running" if worm.poll() is None else "ended"))
        print("%-40s %-40s -> %s" % ("HTTPODBC.DLL service", "RUNNING", service_state(p, "HTTPODBC.DLL") or "deleted"))
        ini = configparser.ConfigParser(interpolation=None)
        ini.read_string(read(os.path.join(p.windows_dir(), "system.ini")).decode("latin-1"))
        print("%-40s %-40s -> %s" % ("system.ini [boot] shell", "Explorer.exe load.exe", ini.get("boot", "shell")))
        net_log = read(p.host_path(r"c:\net.log"))
        print("%-40s %-40s -> %s" % ("net command run", "", (net_log or b"none").decode().strip()))
        if worm.poll() is None:
            worm.kill()
    return 0 if code == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
