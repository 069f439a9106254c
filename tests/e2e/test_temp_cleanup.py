"""The temporary folder cleanup in a prefix of its own: files gone at every depth, folders
kept, links out of the folder not followed, paths too long for the program's buffers passed
over, and files held open left for the next start, on the NT family and in 9x mode. Then
pemvolt's own line for a file that is neither deleted nor registered.

Usage: test_temp_cleanup.py <sweep_probe.exe> <pemvolt.exe>
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_session import WinePrefix  # noqa: E402
from checks import check, exit_code  # noqa: E402
from pemvolt_texts import BANNER, PAUSE_MARK, PROMPT, PROMPT_MARK, TEMP_LEFT, WARNING  # noqa: E402
from transcript import text  # noqa: E402

PROBE, PEMVOLT = sys.argv[1:3]
def write(path, data="x"):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(data)


def windows_temp(p):
    user = os.path.basename(os.path.dirname(p.temp_dir()))
    return "c:\\users\\%s\\Temp\\" % user


def clean(p, extra=()):
    r = p.run([PROBE] + list(extra) + ["clean", windows_temp(p)], timeout=300)
    check(r.returncode == 0, "probe exit code %d, stderr %r" % (r.returncode, r.stderr))
    return text(r.stdout)


def files_below(folder):
    found = []
    for top, folders, files in os.walk(folder):
        found += [os.path.relpath(os.path.join(top, f), folder) for f in files]
    return sorted(found)


def test_nt():
    with WinePrefix("temp_cleanup") as p:
        temp = p.temp_dir()
        for name in ("a.tmp", "...c", "..b", "one/b.tmp", "one/two/c.exe", "one/two/three/d"):
            write(os.path.join(temp, name))

        # Links out of the folder: one to a folder of the user's beside it, one back up to
        # the folder above the temporary folder. What they lead to must survive.
        profile = os.path.dirname(temp)
        write(os.path.join(profile, "Documents", "letter.doc"), "the user's letter")
        write(os.path.join(profile, "keep.txt"), "kept")
        os.symlink(os.path.join(profile, "Documents"), os.path.join(temp, "docs_link"))
        os.symlink("..", os.path.join(temp, "one", "up_link"))

        # Too long for the 260-character buffers: passed over, never cut.
        base = windows_temp(p)
        deep = base + "\\".join(["d%d_" % i + "x" * 45 for i in range(4)])
        check(len(deep) < 255, "long path fixture length")
        long_file = os.path.join(p.host_path(deep), "y" * 60 + ".tmp")
        write(long_file)

        out = clean(p)
        # The file too long to name stays, with nothing registered: the user is told.
        check(out == "result: left\n", "NT result: %r" % out)
        left = files_below(temp)
        long_rel = os.path.relpath(long_file, temp)
        check(left == [long_rel], "files left below the temporary folder: %r" % left)
        for folder in ("one/two/three", "docs_link"):
            check(os.path.lexists(os.path.join(temp, folder)), "kept: " + folder)
        letter = os.path.join(profile, "Documents", "letter.doc")
        check(os.path.exists(letter) and open(letter).read() == "the user's letter",
              "the file behind the link survives")
        check(os.path.exists(os.path.join(profile, "keep.txt")), "the folder above is untouched")

        # A file held open by another program goes at the next start.
        os.remove(long_file)
        held = os.path.join(temp, "one", "held.log")
        write(held)
        write(os.path.join(temp, "free.tmp"))
        held_windows = windows_temp(p) + "one\\held.log"
        out = clean(p, ["--hold", held_windows])
        check(out == "result: deferred\n", "NT result with a held file: %r" % out)
        check(os.path.exists(held) and not os.path.exists(os.path.join(temp, "free.tmp")),
              "held file stays, free file goes")
        pending = [s.lower() for s, d in p.pending_renames()]
        check(any(s.endswith(held_windows.lower()[2:]) for s in pending),
              "held file registered for deletion: %r" % pending)


def test_9x():
    with WinePrefix("temp_cleanup_9x", win98=True) as p:
        temp = p.temp_dir()
        write(os.path.join(temp, "sub", "held.log"))
        write(os.path.join(temp, "sub", "free.tmp"))
        wininit = os.path.join(p.windows_dir(), "wininit.ini")
        if os.path.exists(wininit):
            os.remove(wininit)
        held_windows = windows_temp(p) + "sub\\held.log"
        out = clean(p, ["--hold", held_windows])
        check(out == "result: deferred\n", "9x result with a held file: %r" % out)
        check(files_below(temp) == [os.path.join("sub", "held.log")],
              "9x files left: %r" % files_below(temp))
        wininit_text = open(wininit, encoding="latin-1").read() if os.path.exists(wininit) else ""
        check("nul=" + held_windows.lower() in wininit_text.lower().replace(" ", ""),
              "wininit.ini names the held file: %r" % wininit_text)


def test_pemvolt_tells_of_a_file_left():
    """A file whose name the program's ANSI code page can't spell can be neither deleted
    nor registered: the user is told to delete the temporary files himself."""
    with WinePrefix("temp_cleanup_left") as p:
        temp = p.temp_dir()
        write(os.path.join(temp, "sub", "\u4e2d\u6587.tmp"))
        write(os.path.join(temp, "free.tmp"))
        code, out = p.run_console([PEMVOLT], keys=["y", "x"],
                                  wait_for=[PROMPT_MARK, PAUSE_MARK],
                                  timeout=300, cwd=p.host_path("c:\\"))
        out = text(out)
        check(code == 0 and out.startswith(BANNER + WARNING + PROMPT + TEMP_LEFT),
              "pemvolt asks the user to delete the temporary files: %r" % out[:400])
        check(not os.path.exists(os.path.join(temp, "free.tmp")), "the free file is deleted")


if __name__ == "__main__":
    test_nt()
    test_9x()
    test_pemvolt_tells_of_a_file_left()
    sys.exit(exit_code())
