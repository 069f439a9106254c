#!/usr/bin/env python3
"""Deferred file operations on the 9x family: runs the given test program in a prefix of its
own that reports the 9x family, then reads the prefix's wininit.ini from outside as well."""
import os
import re
import sys

from wine_session import WinePrefix


def main(program):
    with WinePrefix("defer-9x", win98=True) as p:
        result = p.run([program], timeout=300)
        sys.stdout.write(result.stdout.decode("utf-8", "replace"))
        sys.stderr.write(result.stderr.decode("utf-8", "replace"))
        if result.returncode != 0:
            print("the 9x test program failed with status %d" % result.returncode)
            return 1
        with open(os.path.join(p.windows_dir(), "wininit.ini"), "rb") as f:
            text = f.read().decode("latin-1")
        section = re.search(r"\[rename\]\r\n(.*?)(?:\r\n\[|\Z)", text, re.S)
        lines = section.group(1).split("\r\n") if section else []
        deletions = [l for l in lines if l.startswith("NUL=")]
        # The one written before the run, and the two that the program deferred, in short form.
        ok = (len(deletions) == 3 and deletions[0] == "NUL=C:\\OLD.TXT"
              and all("~" in d and " " not in d for d in deletions[1:]))
        if not ok:
            print("unexpected rename section in wininit.ini: %r" % text)
            return 1
        print("wininit.ini rename section: %r" % lines)
        return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
