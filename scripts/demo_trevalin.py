#!/usr/bin/env python3
"""Shows trevalin at work: in a throw-away Wine prefix on an X display of its own, with a
window of the ransomware family running and the family installed (its uninstaller is a
stand-in that asks a Yes/No question), runs the x86_64 build of trevalin, waits for the
verdict, saves a screenshot of the finished dialog, presses Close and prints what happened.

usage: scripts/demo_trevalin.py [--russian] [screenshot.png]
The programs come from $BUILD_ROOT/x86_64 (default build/x86_64); build them first with
scripts/build.sh x86_64. The screenshot defaults to $BUILD_ROOT/trevalin_demo.png.
"""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from wine_session import BUILD, WinePrefix, end_processes  # noqa: E402
from trevalin_session import Probe, add_family, environment, prepare_prefix, read_text, rect, screenshot  # noqa: E402
from trevalin_texts import TEXTS  # noqa: E402
from xvfb_display import XvfbDisplay  # noqa: E402


def main():
    args = sys.argv[1:]
    russian = "--russian" in args
    args = [a for a in args if a != "--russian"]
    shot = os.path.abspath(args[0]) if args else os.path.join(BUILD, "trevalin_demo.png")
    trevalin = os.path.join(BUILD, "x86_64", "cure_gui", "trevalin.exe")
    probe_exe = os.path.join(BUILD, "x86_64", "tests", "win", "trevalin_probe.exe")
    uninstaller_exe = os.path.join(BUILD, "x86_64", "tests", "win", "family_uninstaller.exe")
    for exe in (trevalin, probe_exe, uninstaller_exe):
        if not os.path.isfile(exe):
            print("missing %s: run scripts/build.sh x86_64 first" % exe)
            return 2

    with XvfbDisplay() as display, WinePrefix("demo_trevalin") as p:
        prepare_prefix(p, display.name)
        probe = Probe(p, probe_exe)
        window_record, uninstall_record, window = add_family(p, probe_exe, uninstaller_exe)
        print("family window running: \"Digital Access - Browser Lock\"")
        print("installed-programs entry: DisplayName \"Digital Access\", its uninstaller under C:\\Program Files")

        program = subprocess.Popen(["/usr/lib/wine/wine64", trevalin], env=environment(p, russian),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            texts = TEXTS["ru" if russian else "en"]
            state = probe.state_after(lambda s: s.get("visible") == "1" and s.get("visible.1004") == "0"
                                      and s.get("text.1006") in (texts["cured"], texts["clean"]), what="the verdict")
            for key, label in (("caption", "caption"), ("text.1001", "stage 1"), ("text.1002", "stage 2"),
                               ("text.1003", "stage 3"), ("text.1006", "verdict"), ("text.1000", "button")):
                print("%-8s %s" % (label + ":", state.get(key, "")))
            print("family window received WM_DESTROY:", "WM_DESTROY" in read_text(window_record))
            answer = read_text(uninstall_record)
            print("family uninstaller started:", "started" in answer)
            print("its question answered:", "Yes" if "answer=yes" in answer else
                  "not by the cure (the box came after the cure's question pass)" if "answer=none" in answer else
                  answer.split())

            full = os.path.join(p.prefix, "screen.png")
            subprocess.run(["sleep", "1"])
            screenshot(display.name, full)
            left, top, right, bottom = rect(state["window"])
            os.makedirs(os.path.dirname(shot), exist_ok=True)
            subprocess.run(["convert", full, "-crop", "%dx%d+%d+%d" % (right - left + 24, bottom - top + 24,
                                                                      left - 12, top - 12), "+repage", shot],
                           check=True)
            print("screenshot of the finished dialog:", shot)

            probe.press("return")
            code = program.wait(timeout=60)
            print("closed with the button: exit code", code)
            window.wait(timeout=30)
        finally:
            end_processes(program)
    return 0 if state.get("text.1006") == texts["cured"] and code == 1 else 1


if __name__ == "__main__":
    sys.exit(main())
