"""The cure's uninstaller stage in throw-away prefixes: installed-programs entries in the
registry, a test uninstaller that asks its question and records what it got.

usage: cure_uninstaller_stage.py <cure_stage_runner.exe> <cure_test_uninstaller.exe>
"""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_session import WinePrefix  # noqa: E402
from checks import check, exit_code  # noqa: E402
from trevalin_session import UNINSTALL_KEY  # noqa: E402

RUNNER, UNINSTALLER = sys.argv[1], sys.argv[2]
FAMILY_PROGRAM = r"C:\Program Files\Digital Access\uninst.exe"


def add_entry(p, name, display_name, uninstall_string, kind="REG_SZ"):
    key = UNINSTALL_KEY + "\\" + name
    p.reg(["add", key, "/v", "DisplayName", "/d", display_name, "/f"])
    if uninstall_string is not None:
        p.reg(["add", key, "/v", "UninstallString", "/t", kind, "/d", uninstall_string, "/f"])


def place_uninstaller(p, windows_path):
    target = p.host_path(windows_path)
    os.makedirs(os.path.dirname(target), exist_ok=True)
    shutil.copy(UNINSTALLER, target)


def log_of(p, windows_path):
    """The lines the test uninstaller at windows_path recorded, or None if it never ran."""
    path = p.host_path(windows_path) + ".log"
    if not os.path.exists(path):
        return None
    with open(path, encoding="utf-8") as f:
        return f.read().splitlines()


def warm_up(p):
    """Starts one windowed program, so that the prefix's desktop is up when the stage
    starts, as the real program's dialog is."""
    place_uninstaller(p, r"C:\warm-up\uninst.exe")
    p.run([p.host_path(r"C:\warm-up\uninst.exe"), "--warm-up"], timeout=120)


def run_stage(p):
    warm_up(p)
    r = p.run([RUNNER], timeout=120)
    out = r.stdout.decode("utf-8", "replace")
    print("  runner: exit %d, %s" % (r.returncode, out.strip()))
    return r.returncode


def run_in_prefix(name, prepare):
    """Prepares a fresh prefix, runs the stage and returns (stage result, {path: log})."""
    with WinePrefix("cure_stage_%s" % name) as p:
        watched = prepare(p)
        result = run_stage(p)
        logs = {path: log_of(p, path) for path in watched}
    return result, logs


def first_matching_entry_is_run_and_answered():
    def prepare(p):
        for path in (r"C:\tools\lower.exe", r"C:\tools\second.exe", FAMILY_PROGRAM):
            place_uninstaller(p, path)
        # Enumerated in name order: other case, empty command, the family, a second one.
        add_entry(p, "A Lower", "digital access toolbar", '"C:\\tools\\lower.exe"')
        add_entry(p, "B Empty", "Digital Access Free", "")
        add_entry(p, "C Family", "My Get Accelerator 3",
                  r"%ProgramFiles%\Digital Access\uninst.exe /S", kind="REG_EXPAND_SZ")
        add_entry(p, "D Second", "Digital Access", '"C:\\tools\\second.exe"')
        return (FAMILY_PROGRAM, r"C:\tools\lower.exe", r"C:\tools\second.exe")

    result, logs = run_in_prefix("first", prepare)
    check(result == 1, "first: the stage reports the uninstaller started")
    log = logs[FAMILY_PROGRAM]
    check(log is not None, "first: the expanded command of the first family entry ran")
    if log:
        print("  log: %s" % log)
        check(log[0] == "started flags=1 show=0", "first: started hidden")
        check(log[1] == 'commandline="%s" /S' % FAMILY_PROGRAM,
              "first: started by its quoted name with its argument")
        check("answer=yes" in log, "first: its question was answered with Yes")
        check(log[-1] == "finished", "first: the stage waited for the uninstaller's end")
    check(logs[r"C:\tools\lower.exe"] is None, "first: other case does not match")
    check(logs[r"C:\tools\second.exe"] is None, "first: only the first entry runs")


def late_question_is_answered():
    """A question that comes seconds after the start, as on a busy machine, still gets Yes:
    left unanswered, the hidden uninstaller and the cure would wait for ever."""
    def prepare(p):
        place_uninstaller(p, FAMILY_PROGRAM)
        add_entry(p, "Family", "Digital Access", '"%s" --late' % FAMILY_PROGRAM)
        return (FAMILY_PROGRAM,)

    result, logs = run_in_prefix("late", prepare)
    log = logs[FAMILY_PROGRAM] or []
    print("  log: %s" % log)
    check(result == 1, "late: the stage reports the uninstaller started")
    check("answer=yes" in log, "late: the question that came after 2 s was answered with Yes")
    check(log[-1:] == ["finished"], "late: the stage waited for the uninstaller's end")


def quick_uninstaller_still_gets_a_pass():
    """An uninstaller that ends within the first half second still gets one question pass:
    a marked window with a caption, here another program's, receives the Yes command."""
    other = r"C:\tools\other.exe"

    def prepare(p):
        place_uninstaller(p, FAMILY_PROGRAM)
        place_uninstaller(p, other)
        add_entry(p, "Family", "Digital Access", '"%s" --warm-up' % FAMILY_PROGRAM)
        p.spawn([p.host_path(other), "--framed"], stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL)
        deadline = time.time() + 60
        while not any(line.startswith("shown") for line in log_of(p, other) or []):
            if time.time() > deadline:
                raise AssertionError("the captioned window did not come up")
            time.sleep(0.2)
        return (FAMILY_PROGRAM, other)

    result, logs = run_in_prefix("quick", prepare)
    print("  logs: %s" % logs)
    check(result == 1, "quick: the stage reports the uninstaller started")
    check(logs[FAMILY_PROGRAM] is not None, "quick: the uninstaller ran")
    check("command=6" in (logs[other] or []), "quick: the one pass after it ended sent Yes")


def busy_question_is_answered_once_delivered():
    """A question box whose thread is busy when the first Yes is sent: that send is
    withdrawn, so the passes go on until one reaches it."""
    def prepare(p):
        place_uninstaller(p, FAMILY_PROGRAM)
        add_entry(p, "Family", "Digital Access", '"%s" --busy-question' % FAMILY_PROGRAM)
        return (FAMILY_PROGRAM,)

    result, logs = run_in_prefix("busy", prepare)
    log = logs[FAMILY_PROGRAM] or []
    print("  log: %s" % log)
    check(result == 1, "busy: the stage reports the uninstaller started")
    check("answer=yes" in log, "busy: the busy question box was answered with Yes")
    check(log[-1:] == ["finished"], "busy: the stage waited for the uninstaller's end")


def planted_shorter_name_never_runs():
    planted = (r"C:\Program.exe", r"C:\Program Files\Digital.exe")

    def prepare(p):
        for path in planted + (FAMILY_PROGRAM,):
            place_uninstaller(p, path)
        add_entry(p, "Family", "Digital Access", FAMILY_PROGRAM + " /S")
        return planted + (FAMILY_PROGRAM,)

    result, logs = run_in_prefix("planted", prepare)
    check(result == 1, "planted: the stage reports the uninstaller started")
    log = logs[FAMILY_PROGRAM] or []
    print("  log: %s" % log)
    check("answer=yes" in log, "planted: the named program ran and was answered")
    for path in planted:
        check(logs[path] is None, "planted: %s never ran" % path)


def window_without_dialog_frame_gets_no_command():
    def prepare(p):
        place_uninstaller(p, FAMILY_PROGRAM)
        add_entry(p, "Family", "Digital Access", '"%s" --frameless' % FAMILY_PROGRAM)
        return (FAMILY_PROGRAM,)

    result, logs = run_in_prefix("frameless", prepare)
    check(result == 1, "frameless: the stage reports the uninstaller started")
    log = logs[FAMILY_PROGRAM] or []
    print("  log: %s" % log)
    check(log[-1:] == ["finished"], "frameless: the uninstaller ran to its end")
    check(not any(line.startswith("command=") for line in log),
          "frameless: a marked window without dialog frame got no command")


def commands_that_cannot_be_started():
    with WinePrefix("cure_stage_not_started") as p:
        place_uninstaller(p, r"C:\Program.exe")
        place_uninstaller(p, r"C:\tools\long.exe")
        # A missing program, whose name a planted C:\Program.exe would take over.
        add_entry(p, "A Missing", "Digital Access", r"C:\Program Files\Digital Access\gone.exe /S")
        check(run_stage(p) == 0, "missing: a program that can't be started gives false")
        check(log_of(p, r"C:\Program.exe") is None, r"missing: C:\Program.exe never ran")
        # Fits the read limit, but not the command-line buffer once expanded.
        p.reg(["delete", UNINSTALL_KEY + r"\A Missing", "/f"])
        add_entry(p, "B Long", "Digital Access", "C:\\tools\\long.exe " + "%COMSPEC%" * 54,
                  kind="REG_EXPAND_SZ")
        check(run_stage(p) == 0, "long: a command line that does not fit gives false")
        check(log_of(p, r"C:\tools\long.exe") is None, "long: the cut command never ran")


def main():
    for case in (first_matching_entry_is_run_and_answered, late_question_is_answered,
                 quick_uninstaller_still_gets_a_pass, busy_question_is_answered_once_delivered,
                 planted_shorter_name_never_runs,
                 window_without_dialog_frame_gets_no_command, commands_that_cannot_be_started):
        print(case.__name__)
        case()
    return exit_code()


if __name__ == "__main__":
    sys.exit(main())
