"""The rich-edit library restore's tests once more on the 9x family, where the library is
swapped into place by renames instead of a replacing move.

usage: test_rich_edit_9x.py <test_rich_edit.exe>
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_session import WinePrefix  # noqa: E402
from checks import check, exit_code  # noqa: E402


def main():
    with WinePrefix("rich_edit_9x", win98=True) as p:
        p.env["EXPECT_PLATFORM_FAMILY"] = "9x"
        r = p.run([sys.argv[1]])
        out = r.stdout.decode("latin-1")
        print(out)
        # Every test ran and passed; none was skipped for want of the 9x family.
        check(r.returncode == 0 and "[  PASSED  ]" in out and "SKIPPED" not in out,
              "the restore's tests on the 9x family all ran and passed")
    return exit_code()


if __name__ == "__main__":
    sys.exit(main())
