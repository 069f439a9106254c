#!/usr/bin/env python3
"""The cleaner's console dialogue, typed into a pseudo-terminal under Wine.

Usage: test_console_dialogue.py <pemvolt.exe>

A "No" (n, N, Alt+F7, or a console that can't be read at all) prints the banner, the
warning and the prompt, exits with status 0 and changes nothing. A "Yes" (y, Y, Shift+F6)
runs the steps; the driver's own lines come in their order and the run ends on the closing
lines and one key press. Other keys are ignored without echo. Standard output is in text
mode, so every line ends in CR LF.
"""
import os
import re
import subprocess
import sys
import unittest

from pemvolt_texts import BANNER, CLOSING, LIBRARY_FAILED, LIBRARY_WRITTEN, PROMPT, SHELL, TEMP_ALL, \
    TEMP_NOT_FOUND, TEMP_SOME, WARNING
from wine_session import WINE64, WinePrefix, screen_text

PROGRAM = None

HEAD = BANNER + WARNING + PROMPT

SHIFT_F6 = "\x1b[17;2~"
ALT_F7 = "\x1b[18;3~"
F5 = "\x1b[15~"
UP = "\x1b[A"
PROMPT_MARK = "Yes)."
# Keys that are no answer: Enter, Esc, space, F5 (0, 63), Up (0, 72 here, or 224, 72) and
# letters and a digit that a screen would show if they were echoed.
OTHER_KEYS = ["q", "\r", "\x1b", " ", "7", "j", F5, UP]
PAUSE_MARK = "Press any key"


def crlf(text):
    return text.replace("\n", "\r\n").encode("ascii")


# Lines that Wine itself prints on a console: its warnings and debug channels.
WINE_MESSAGE = re.compile(r"^(wine: |[0-9a-f]{4}:(err|warn|fixme|trace):)")


def drawn_by_the_program(screen):
    """The program's own lines on the screen, without Wine's messages, as one text
    without the spaces and line ends that the console draws by moving the cursor."""
    lines = screen_text(screen).replace("\r", "").split("\n")
    return "".join(line for line in lines if not WINE_MESSAGE.match(line)).replace(" ", "")


class ConsoleDialogue(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = WinePrefix("console-dialogue")
        cls.p = cls.session.__enter__()
        cls.system_ini = os.path.join(cls.p.windows_dir(), "system.ini")
        cls.marker = os.path.join(cls.p.temp_dir(), "left by an earlier program.txt")

    @classmethod
    def tearDownClass(cls):
        cls.session.__exit__(None, None, None)

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

    def test_no_answers_end_the_program_at_the_prompt(self):
        cases = [
            ("n", ["n"]),
            ("N", ["N"]),
            ("Alt+F7", [ALT_F7]),
            ("other keys first", OTHER_KEYS + ["n"]),
        ]
        for name, keys in cases:
            with self.subTest(name):
                self.prepare_machine()
                before = self.machine_state()
                code, out = self.run_dialogue(keys)
                self.assertEqual(code, 0)
                self.assertEqual(out, crlf(HEAD))
                self.assertEqual(self.machine_state(), before)

    def test_typed_keys_are_not_shown_again(self):
        """With standard output on the console, the screen holds the program's own lines
        and nothing else: no typed key is echoed. An empty screen would prove nothing."""
        screen = bytearray()
        code, _ = self.p.run_console([PROGRAM], keys=OTHER_KEYS + ["n"], wait_for=[PROMPT_MARK],
                                     screen=screen, stdout_on_screen=True, timeout=60)
        self.assertEqual(code, 0)
        drawn = drawn_by_the_program(screen)
        self.assertEqual(drawn, HEAD.replace("\n", "").replace(" ", ""), screen_text(screen))

    def test_no_console_counts_as_no(self):
        """Without a console nobody can answer: status 0 at once, nothing changed, even when
        standard input holds a "y" (the answer is read from the console, not from it)."""
        for name, given_input in [("no input at all", None), ("a y on standard input", b"y\r\n")]:
            with self.subTest(name):
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
                    self.assertEqual(f.read(), crlf(HEAD))
                self.assertEqual(result.returncode, 0)
                self.assertEqual(self.machine_state(), before)

    def check_confirmed_run(self, out, temp_lines, system_ini=True):
        self.assertTrue(out.startswith(crlf(HEAD)), out)
        self.assertTrue(out.endswith(crlf(CLOSING)), out)
        body = out[len(crlf(HEAD)):len(out) - len(crlf(CLOSING))]
        # The driver's own lines, in the order of the steps; the steps between them print
        # their own lines.
        temp = [body.find(crlf(line)) for line in temp_lines]
        self.assertEqual(sum(1 for at in temp if at >= 0), 1, body)
        temp_at = max(temp)
        shell_at = body.find(crlf(SHELL))
        rich_at = max(body.find(crlf(LIBRARY_WRITTEN)), body.find(crlf(LIBRARY_FAILED)))
        self.assertTrue(0 <= temp_at < shell_at < rich_at, body)
        rich_line = body[rich_at:]
        self.assertIn(rich_line, (crlf(LIBRARY_WRITTEN), crlf(LIBRARY_FAILED)))
        self.assertEqual(body.count(crlf(SHELL)), 1, body)
        if not system_ini:
            return
        # The shell entry of system.ini is the default again.
        with open(self.system_ini, "rb") as f:
            system_ini = f.read().decode("latin-1")
        self.assertRegex(system_ini, r"(?im)^shell=Explorer\.exe\r?$")
        self.assertNotIn("WORM.EXE", system_ini)

    def test_yes_answers_run_the_steps(self):
        cases = [
            ("y", ["y"]),
            ("Y after ignored keys", ["\r", "x", "Y"]),
            ("Shift+F6", [SHIFT_F6]),
        ]
        for name, keys in cases:
            with self.subTest(name):
                self.prepare_machine()
                code, out = self.run_dialogue(keys, final_key="k")
                self.assertEqual(code, 0)
                self.check_confirmed_run(out, [TEMP_ALL, TEMP_SOME])

    def test_temporary_path_longer_than_the_buffer(self):
        """GetTempPathA then asks for a larger buffer instead of filling this one: the
        temporary folder counts as not found. In a prefix of its own, whose temporary
        folder stays that way."""
        long_path = "C:\\" + "\\".join(["a" * 60] * 5)
        with WinePrefix("console-dialogue-long-temp") as p:
            for name in ("TMP", "TEMP"):
                p.reg(["add", r"HKCU\Environment", "/v", name, "/d", long_path, "/f"])
            code, out = p.run_console([PROGRAM], keys=["y", "k"],
                                      wait_for=[PROMPT_MARK, PAUSE_MARK], timeout=600)
        self.assertEqual(code, 0)
        self.check_confirmed_run(out, [TEMP_NOT_FOUND], system_ini=None)


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv[1])
    unittest.main(argv=[sys.argv[0]], verbosity=2)
