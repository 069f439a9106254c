#!/usr/bin/env python3
"""trevalin as a whole program under Xvfb, in a prefix of its own: the dialog's texts in
English and Russian, the verdict with and without the family present, the logo's place,
the exit codes of Enter, Esc and the close box, and the program without its template.

usage: test_trevalin_dialog.py trevalin.exe trevalin_no_dialog.exe trevalin_probe.exe
                               family_uninstaller.exe [screenshot_dir]
With screenshot_dir, the screenshots of the finished dialog are kept there as
trevalin_en.png and trevalin_ru.png.
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_session import WinePrefix, end_processes  # noqa: E402
from checks import check, exit_code  # noqa: E402
from trevalin_session import (Probe, add_family, environment, logo_mismatches, prepare_prefix,  # noqa: E402
                              read_text, rect, screenshot)
from trevalin_texts import TEXTS  # noqa: E402
from xvfb_display import XvfbDisplay  # noqa: E402


def run_case(name, trevalin, probe_exe, uninstaller_exe, display, language, family, close_with, expected_code, shot_dir):
    texts = TEXTS[language]
    verdict = texts["cured" if family else "clean"]
    with WinePrefix("trevalin_" + name) as p:
        prepare_prefix(p, display.name)
        probe = Probe(p, probe_exe)
        records = add_family(p, probe_exe, uninstaller_exe) if family else None
        env = environment(p, language == "ru")
        program = subprocess.Popen(["/usr/lib/wine/wine64", trevalin, "ignored", "arguments"], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            state = probe.state_after(lambda s: s.get("text.1006") == verdict and s.get("visible") == "1",
                                      what="the verdict %r" % verdict)
            for key in ("caption", "text.1005", "text.1001", "text.1002", "text.1003", "text.1000", "text.1007"):
                check(state.get(key) == texts[key], "%s: %s is %r, not %r" % (name, key, state.get(key), texts[key]))
            check(state.get("text.1004") == "", "%s: the progress bar has text" % name)
            check(state.get("visible.1004") == "0", "%s: the progress bar is still shown" % name)
            for line in ("1001", "1002", "1003"):
                check(state.get("enabled." + line) == "1", "%s: stage line %s is not enabled" % (name, line))

            if family:
                window_record, uninstall_record, window = records
                check("WM_DESTROY" in read_text(window_record), "%s: the family window got no WM_DESTROY" % name)
                # The uninstaller stage itself, and its answer to the question, are
                # tested on their own; here it must have been found and started.
                check("started" in read_text(uninstall_record), "%s: the family's uninstaller was not started" % name)
                print("  uninstaller's record:", read_text(uninstall_record).split())
                window.wait(timeout=30)

            # Let the last repaint land, then read the screen.
            time.sleep(1.0)
            shot = os.path.join(p.prefix, "dialog.png")
            screenshot(display.name, shot)
            print("  client area", state["client"], "window", state["window"])
            faults = logo_mismatches(shot, rect(state["client"]))
            check(not faults, "%s: the logo is not drawn transparent 10 px from the right and 5 px from the "
                  "bottom: %d pixels differ, first %s" % (name, len(faults), faults[:3]))
            if shot_dir and family:
                os.makedirs(shot_dir, exist_ok=True)
                # Only the dialog and a margin around it.
                left, top, right, bottom = rect(state["window"])
                subprocess.run(["convert", shot, "-crop", "%dx%d+%d+%d" % (right - left + 24, bottom - top + 24,
                                                                          left - 12, top - 12), "+repage",
                                os.path.join(shot_dir, "trevalin_%s.png" % language)], check=True)

            probe.press(close_with)
            code = program.wait(timeout=60)
            check(code == expected_code, "%s: closed with %s, exit code %d, not %d" % (name, close_with, code,
                                                                                     expected_code))
            check(probe.dump().get("dialogs") == "0", "%s: a dialog is still open after closing" % name)
        finally:
            end_processes(program)


def run_without_template(no_dialog, probe_exe, display):
    with WinePrefix("trevalin_no_template") as p:
        prepare_prefix(p, display.name)
        probe = Probe(p, probe_exe)
        program = subprocess.Popen(["/usr/lib/wine/wine64", no_dialog], env=p.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            code = program.wait(timeout=60)
        except subprocess.TimeoutExpired:
            program.kill()
            program.wait()
            code = None
        check(code == 0, "without its template the program ended with %r, not 0" % code)
        check(probe.dump().get("dialogs") == "0", "without its template a dialog was shown")


def main():
    if len(sys.argv) < 5:
        print(__doc__)
        return 2
    trevalin, no_dialog, probe_exe, uninstaller_exe = (os.path.abspath(a) for a in sys.argv[1:5])
    shot_dir = os.path.abspath(sys.argv[5]) if len(sys.argv) > 5 else None
    cases = [
        # name, language, family present, how it is closed, exit code
        ("en_family_enter", "en", True, "return", 1),
        ("ru_family_enter", "ru", True, "return", 1),
        ("en_clean_escape", "en", False, "escape", 2),
        ("ru_clean_closebox", "ru", False, "close", 2),
    ]
    with XvfbDisplay() as display:
        for name, language, family, close_with, code in cases:
            print("case", name)
            try:
                run_case(name, trevalin, probe_exe, uninstaller_exe, display, language, family, close_with, code, shot_dir)
            except Exception as e:  # a stuck case is reported and the others still run
                check(False, "%s: %s" % (name, e))
        print("case no_template")
        run_without_template(no_dialog, probe_exe, display)
    return exit_code()


if __name__ == "__main__":
    sys.exit(main())
