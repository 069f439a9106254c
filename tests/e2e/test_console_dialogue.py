#!/usr/bin/env python3
"""The cleaner's console dialogue, typed into a pseudo-terminal under Wine.

Usage: test_console_dialogue.py <pemvolt.exe>

A "No" (n, N, Alt+F7, or a console that can't be read at all) prints the banner, the
warning and the prompt, exits with status 0 and changes nothing. A "Yes" (y, Y, Shift+F6)
runs the steps; the driver's own lines come in their order and the run ends on the closing
lines and one key press. Other keys are ignored without echo. Standard output is in text
mode, so every line ends in CR LF.
"""
import contextlib
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from checks import check, exit_code  # noqa: E402
from pemvolt_texts import (BANNER, CLOSING, LIBRARY_FAILED, LIBRARY_WRITTEN, PAUSE_MARK, PROMPT,  # noqa: E402
                           PROMPT_MARK, SHELL, TEMP_ALL, TEMP_NOT_FOUND, TEMP_SOME, WARNING)
from wine_session import WINE64, WinePrefix, screen_text  # noqa: E402

PROGRAM = None

HEAD = BANNER + WARNING + PROMPT

SHIFT_F6 = "\x1b[17;2~"
ALT_F7 = "\x1b[18;3~"
F5 = "\x1b[15~"
UP = "\x1b[A"
# Keys that are no answer: Enter, Esc, space, F5 (0, 63), Up (0, 72 here, or 224, 72) and
# letters and a digit that a screen would show if they were echoed.
OTHER_KEYS = ["q", "\r", "\x1b", " ", "7", "j", F5, UP]


def crlf(text):
    return text.replace("\n", "\r\n").encode("ascii")


# Lines that Wine itself prints on a console: its warnings and debug channels.
WINE_MESSAGE = re.compile(r"^(wine: |[0-9a-f]{4}:(err|warn|fixme|trace):)")


def drawn_by_the_program(screen):
    """The program's own lines on the screen, without Wine's messages, as one text
    without the spaces and line ends that the console draws by moving the cursor."""
    lines = screen_text(screen).replace("\r", "").split("\n")
    return "".join(line for line in lines if not WINE_MESSAGE.match(line)).replace(" ", "")


class ConsoleDialogue:
    """The cases share one prefix; each prepares the machine it needs."""

    def __init__(self, p):
        self.p = p
        self.system_ini = os.path.join(p.windows_dir(), "system.ini")
        self.marker = os.path.join(p.temp_dir(), "left by an earlier program.txt")

    def machine_state(self):
        """What a declined run must leave as it was."""
        try:
            with open(self.system_ini, "rb") as f:
                system_ini = f.read()
        except FileNotFoundError:
            system_ini = None
        return system_ini, os.path.exists(self.marker), self.p.pending_renames()

    def prepare_machine(self):
        with open(self.marker, "w") as f:
            f.write("temporary")
        with open(self.system_ini, "wb") as f:
            f.write(b"[boot]\r\nshell=Explorer.exe C:\\WINDOWS\\SYSTEM\\WORM.EXE\r\n")

    def run_dialogue(self, keys, final_key=None):
        """Types keys at the prompt (and final_key at the closing pause). A declined run
        ends at once, so a key that is not taken as No shows as a time-out."""
        keys = list(keys)
        wait_for = [PROMPT_MARK] + [None] * (len(keys) - 1)
        if final_key is not None:
            keys.append(final_key)
            wait_for.append(PAUSE_MARK)
        return self.p.run_console([PROGRAM], keys=keys, wait_for=wait_for,
                                  timeout=60 if final_key is None else 600)

    def no_answers_end_the_program_at_the_prompt(self):
        cases = [
            ("n", ["n"]),
            ("N", ["N"]),
            ("Alt+F7", [ALT_F7]),
            ("other keys first", OTHER_KEYS + ["n"]),
        ]
        for name, keys in cases:
            with case("no answer %s" % name):
                self.prepare_machine()
                before = self.machine_state()
                code, out = self.run_dialogue(keys)
                check(code == 0, "no answer %s: exit status 0, not %d" % (name, code))
                check(out == crlf(HEAD), "no answer %s: banner, warning and prompt only: %r" % (name, out))
                check(self.machine_state() == before, "no answer %s: nothing changed" % name)

    def typed_keys_are_not_shown_again(self):
        """With standard output on the console, the screen holds the program's own lines
        and nothing else: no typed key is echoed. An empty screen would prove nothing."""
        with case("no echo"):
            screen = bytearray()
            code, _ = self.p.run_console([PROGRAM], keys=OTHER_KEYS + ["n"], wait_for=[PROMPT_MARK],
                                         screen=screen, stdout_on_screen=True, timeout=60)
            check(code == 0, "no echo: exit status 0, not %d" % code)
            drawn = drawn_by_the_program(screen)
            check(drawn == HEAD.replace("\n", "").replace(" ", ""),
                  "no echo: the screen holds the program's lines and no typed key: %r" % screen_text(screen))

    def no_console_counts_as_no(self):
        """Without a console nobody can answer: status 0 at once, nothing changed, even when
        standard input holds a "y" (the answer is read from the console, not from it)."""
        for name, given_input in [("no input at all", None), ("a y on standard input", b"y\r\n")]:
            with case("no console, %s" % name):
                self.prepare_machine()
                before = self.machine_state()
                out_path = os.path.join(self.p.prefix, "detached.txt")
                with open(out_path, "wb") as out:
                    # A new session and no terminal anywhere: the program gets no console.
                    result = subprocess.run(
                        [WINE64, PROGRAM], env=self.p.env, cwd=self.p.working_dir(), timeout=120,
                        input=given_input,
                        stdin=subprocess.DEVNULL if given_input is None else None,
                        stdout=out, stderr=subprocess.DEVNULL, start_new_session=True)
                with open(out_path, "rb") as f:
                    printed = f.read()
                what = "no console, %s" % name
                check(printed == crlf(HEAD), "%s: banner, warning and prompt only: %r" % (what, printed))
                check(result.returncode == 0, "%s: exit status 0, not %d" % (what, result.returncode))
                check(self.machine_state() == before, "%s: nothing changed" % what)

    def yes_answers_run_the_steps(self):
        cases = [
            ("y", ["y"]),
            ("Y after ignored keys", ["\r", "x", "Y"]),
            ("Shift+F6", [SHIFT_F6]),
        ]
        for name, keys in cases:
            with case("yes answer %s" % name):
                self.prepare_machine()
                code, out = self.run_dialogue(keys, final_key="k")
                check(code == 0, "yes answer %s: exit status 0, not %d" % (name, code))
                check_confirmed_run("yes answer " + name, out, [TEMP_ALL, TEMP_SOME], self.system_ini)


@contextlib.contextmanager
def case(name):
    """One case: an exception in it (a run that timed out, say) fails the case, and the
    next case still runs."""
    print("case", name, flush=True)
    try:
        yield
    except Exception as error:
        check(False, "%s: %s: %s" % (name, type(error).__name__, error))


def check_confirmed_run(what, out, temp_lines, system_ini=None):
    """A run answered Yes: head, the driver's lines in their order, the closing lines, and
    (given its path) the shell entry of system.ini restored."""
    check(out.startswith(crlf(HEAD)), "%s: starts with banner, warning and prompt: %r" % (what, out))
    check(out.endswith(crlf(CLOSING)), "%s: ends with the closing lines: %r" % (what, out))
    body = out[len(crlf(HEAD)):len(out) - len(crlf(CLOSING))]
    # The driver's own lines, in the order of the steps; the steps between them print
    # their own lines.
    temp = [body.find(crlf(line)) for line in temp_lines]
    check(sum(1 for at in temp if at >= 0) == 1, "%s: one temporary folder line: %r" % (what, body))
    temp_at = max(temp)
    shell_at = body.find(crlf(SHELL))
    rich_at = max(body.find(crlf(LIBRARY_WRITTEN)), body.find(crlf(LIBRARY_FAILED)))
    check(0 <= temp_at < shell_at < rich_at,
          "%s: temporary folder, system.ini and library lines in this order: %r" % (what, body))
    rich_line = body[rich_at:]
    check(rich_line in (crlf(LIBRARY_WRITTEN), crlf(LIBRARY_FAILED)),
          "%s: the library line ends the body: %r" % (what, rich_line))
    check(body.count(crlf(SHELL)) == 1, "%s: one system.ini line: %r" % (what, body))
    if system_ini is None:
        return
    # The shell entry of system.ini is the default again.
    with open(system_ini, "rb") as f:
        ini = f.read().decode("latin-1")
    check(re.search(r"(?im)^shell=Explorer\.exe\r?$", ini) is not None,
          "%s: system.ini names the default shell: %r" % (what, ini))
    check("WORM.EXE" not in ini, "%s: system.ini no longer names the worm: %r" % (what, ini))


def temporary_path_longer_than_the_buffer():
    """GetTempPathA then asks for a larger buffer instead of filling this one: the
    temporary folder counts as not found. In a prefix of its own, whose temporary
    folder stays that way."""
    long_path = "C:\\" + "\\".join(["a" * 60] * 5)
    with case("long temporary path"), WinePrefix("console-dialogue-long-temp") as p:
        for name in ("TMP", "TEMP"):
            p.reg(["add", r"HKCU\Environment", "/v", name, "/d", long_path, "/f"])
        code, out = p.run_console([PROGRAM], keys=["y", "k"],
                                  wait_for=[PROMPT_MARK, PAUSE_MARK], timeout=600)
        check(code == 0, "long temporary path: exit status 0, not %d" % code)
        check_confirmed_run("long temporary path", out, [TEMP_NOT_FOUND])


def main():
    with WinePrefix("console-dialogue") as p:
        dialogue = ConsoleDialogue(p)
        dialogue.no_answers_end_the_program_at_the_prompt()
        dialogue.typed_keys_are_not_shown_again()
        dialogue.no_console_counts_as_no()
        dialogue.yes_answers_run_the_steps()
    temporary_path_longer_than_the_buffer()
    return exit_code()


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv[1])
    sys.exit(main())
