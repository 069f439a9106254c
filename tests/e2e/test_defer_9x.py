#!/usr/bin/env python3
"""Deferred file operations on the 9x family: runs the given test program in a prefix of its
own that reports the 9x family, then reads the prefix's wininit.ini from outside as well."""
import os
import re
import sys

from wine_session import WinePrefix


def main(program):
    with WinePrefix("defer-9x", win98=True) as p:
        # Twice, each time in another order: no test may depend on what ran before it.
        result = p.run([program, "--gtest_shuffle", "--gtest_repeat=2"], timeout=300)
        sys.stdout.write(result.stdout.decode("utf-8", "replace"))
        sys.stderr.write(result.stderr.decode("utf-8", "replace"))
        if result.returncode != 0:
            print("the 9x test program failed with status %d" % result.returncode)
            return 1
        with open(os.path.join(p.windows_dir(), "wininit.ini"), "rb") as f:
            text = f.read().decode("latin-1")
        section = re.search(r"\[rename\]\r\n(.*?)(?:\r\n\[|\Z)", text, re.S)
        lines = section.group(1).split("\r\n") if section else []
        # Each test starts from a file holding one line of its own, and the last one to run
        # left that line and what it deferred, in short form, whichever test it was.
        ok = (len(lines) >= 2 and lines[0] == "NUL=C:\\OLD.TXT"
              and all("~" in l and " " not in l for l in lines[1:] if l))
        if not ok:
            print("unexpected rename section in wininit.ini: %r" % text)
            return 1
        print("wininit.ini rename section: %r" % lines)
        return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
