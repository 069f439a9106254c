#!/usr/bin/env python3
"""Deferred file operations on the 9x family: runs the given test program in a prefix of its
own that reports the 9x family, then reads the prefix's wininit.ini from outside as well."""
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_session import WinePrefix  # noqa: E402
from checks import check, exit_code  # noqa: E402


def main(program):
    with WinePrefix("defer-9x", win98=True) as p:
        # Twice, each time in another order: no test may depend on what ran before it.
        result = p.run([program, "--gtest_shuffle", "--gtest_repeat=2"], timeout=300)
        sys.stdout.write(result.stdout.decode("utf-8", "replace"))
        sys.stderr.write(result.stderr.decode("utf-8", "replace"))
        check(result.returncode == 0, "the 9x test program passes: status %d" % result.returncode)
        if result.returncode != 0:
            return exit_code()
        with open(os.path.join(p.windows_dir(), "wininit.ini"), "rb") as f:
            text = f.read().decode("latin-1")
        section = re.search(r"\[rename\]\r\n(.*?)(?:\r\n\[|\Z)", text, re.S)
        lines = section.group(1).split("\r\n") if section else []
        # Each test starts from a file holding one line of its own, and the last one to run
        # left that line and what it deferred, in short form, whichever test it was.
        check(len(lines) >= 2 and lines[0] == "NUL=C:\\OLD.TXT"
              and all("~" in l and " " not in l for l in lines[1:] if l),
              "wininit.ini holds the last test's line and its deferred operations in short form: %r"
              % (lines if section else text))
    return exit_code()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
