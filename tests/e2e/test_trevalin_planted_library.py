#!/usr/bin/env python3
"""trevalin started from a download folder that also holds a planted msimg32.dll: the
program runs to its verdict and closes, and the planted library is never loaded.

Wine's own themed controls load that library by name, so the prefix draws without visual
styles; and the load order puts a library beside the program before Wine's built-in one,
as Windows does for a library outside its known set.

usage: test_trevalin_planted_library.py trevalin.exe trevalin_probe.exe planted_msimg32.dll
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_session import WinePrefix, end_processes  # noqa: E402
from checks import check, exit_code  # noqa: E402
from trevalin_session import Probe, environment, prepare_prefix, read_text  # noqa: E402
from trevalin_texts import TEXTS  # noqa: E402
from xvfb_display import XvfbDisplay  # noqa: E402

VERDICT = TEXTS["en"]["clean"]


def main():
    trevalin, probe_exe, planted = (os.path.abspath(a) for a in sys.argv[1:4])
    with XvfbDisplay() as display, WinePrefix("trevalin_planted_library") as p:
        prepare_prefix(p, display.name)
        p.reg(["add", r"HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager", "/v",
               "ThemeActive", "/d", "0", "/f"])
        downloads = p.host_path(r"c:\Downloads")
        os.makedirs(downloads, exist_ok=True)
        shutil.copy(trevalin, downloads)
        shutil.copy(planted, os.path.join(downloads, "msimg32.dll"))
        env = environment(p, False)
        overrides = env.get("WINEDLLOVERRIDES", "")
        env["WINEDLLOVERRIDES"] = (overrides + ";" if overrides else "") + "msimg32=n,b"
        program = p.spawn([r"c:\Downloads\%s" % os.path.basename(trevalin)], env=env,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        probe = Probe(p, probe_exe)
        try:
            probe.wait_for(lambda s: s.get("text.1006") == VERDICT, what="the verdict")
            probe.press("return")
            code = program.wait(timeout=60)
            check(code == 1, "the push button ends the program with exit code 1 (got %d)" % code)
        finally:
            end_processes(program)
        record = read_text(p.host_path(r"c:\planted_library.txt"))
        check(record == "", "the planted msimg32.dll was loaded: %r" % record)
    return exit_code()


if __name__ == "__main__":
    sys.exit(main())
