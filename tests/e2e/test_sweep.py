"""The drive sweep over every fixed drive of a prefix of its own (c: and a second drive d:):
exact report lines, restored, deleted and cut files, links that lead back up the tree or off
the drives, paths too long for the program's buffers, and files held open, on the NT family
and in 9x mode.

Usage: test_sweep.py <sweep_probe.exe>
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_session import WinePrefix  # noqa: E402
from checks import check, exit_code  # noqa: E402
from pemvolt_texts import DELETED, DELETED_LATER, DISINFECTED, REPLACED_LATER, SCRIPT  # noqa: E402
from transcript import text  # noqa: E402

PROBE = sys.argv[1]
BODY = "<html><body>a page of the user's</body></html>\r\n"


def line(report, path):
    """A report line for path as the sweep's lines are compared: without its line end."""
    return (report % path).rstrip("\n")


def make(p, kind, windows_path, size=3000, seed=1):
    os.makedirs(os.path.dirname(p.host_path(windows_path)), exist_ok=True)
    r = p.run([PROBE, "make", kind, windows_path, str(size), str(seed)])
    if r.returncode != 0:
        raise RuntimeError("could not make %s: %r" % (windows_path, r.stderr))
    return read(p.host_path(windows_path))


def host_bytes(p, size, seed):
    """The host program that an infected fixture of this size and seed carries."""
    make(p, "host", "c:\\host.ref", size, seed)
    data = read(p.host_path("c:\\host.ref"))
    os.remove(p.host_path("c:\\host.ref"))
    return data


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data.encode() if isinstance(data, str) else data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def sweep_lines(p, extra=()):
    r = p.run([PROBE] + list(extra) + ["drives"], timeout=180)
    check(r.returncode == 0, "probe exit code %d, stderr %r" % (r.returncode, r.stderr))
    return sorted(text(r.stdout).splitlines())


def test_nt_drives():
    with WinePrefix("sweep_drives") as p:
        d = p.drive("d")
        check(p.run([PROBE, "sweep", "d:\\"]).returncode == 0, "d: is usable")

        host_a = host_bytes(p, 5000, 1)
        host_b = host_bytes(p, 64000, 2)
        infected_a = make(p, "infected", "c:\\victims\\app.exe", 5000, 1)
        make(p, "infected_b", "d:\\games\\game.exe", 64000, 2)
        make(p, "bare", "d:\\tools\\copy.exe")
        plain = make(p, "plain", "d:\\tools\\plain.exe", 4000, 3)
        write(p.host_path("d:\\site\\index.html"), BODY + SCRIPT)
        write(p.host_path("c:\\victims\\Default.ASP"), BODY + SCRIPT.upper())

        # A link that leads back up the tree: the walk must end and treat each file once.
        os.symlink("..", os.path.join(d, "games", "back_up"))
        os.symlink(d, os.path.join(d, "tools", "whole_drive"))
        # A link off the drives: what lies behind it is not on any fixed drive of this
        # machine and is left alone.
        outside = os.path.join(p.prefix, "not_a_drive")
        make(p, "bare", "d:\\moved\\copy.exe")
        os.makedirs(outside)
        os.rename(p.host_path("d:\\moved\\copy.exe"), os.path.join(outside, "copy.exe"))
        write(os.path.join(outside, "page.htm"), BODY + SCRIPT)
        os.symlink(outside, os.path.join(d, "link_out"))
        outside_copy = read(os.path.join(outside, "copy.exe"))

        # Paths too long for the 260-character buffers are passed over, never cut: a cut
        # name could be another file of the user's.
        deep = "d:\\" + "\\".join(["f%02d_" % i + "x" * 45 for i in range(5)])
        deep_file = deep + "\\" + "y" * 20 + ".htm"        # its folder fits, the file not
        deep_folder = deep + "\\" + "z" * 20 + "\\page.htm"  # its folder does not fit
        check(len(deep) < 255 and len(deep_file) > 259, "long path fixture lengths")
        write(p.host_path(deep_file), BODY + SCRIPT)
        write(p.host_path(deep_folder), BODY + SCRIPT)

        lines = sweep_lines(p)
        expected = sorted([
            line(DISINFECTED, "c:\\victims\\app.exe"),
            line(DISINFECTED, "c:\\victims\\Default.ASP"),
            line(DISINFECTED, "d:\\games\\game.exe"),
            line(DELETED, "d:\\tools\\copy.exe"),
            line(DISINFECTED, "d:\\site\\index.html"),
        ])
        check(lines == expected, "NT sweep lines:\n%s\nexpected:\n%s"
              % ("\n".join(lines), "\n".join(expected)))

        check(read(p.host_path("c:\\victims\\app.exe")) == host_a, "app.exe is its host again")
        check(read(p.host_path("d:\\games\\game.exe")) == host_b, "game.exe is its host again")
        check(not os.path.exists(p.host_path("d:\\tools\\copy.exe")), "copy.exe deleted")
        check(read(p.host_path("d:\\tools\\plain.exe")) == plain, "plain program untouched")
        check(read(p.host_path("d:\\site\\index.html")) == BODY.encode(), "index.html cut")
        check(read(p.host_path("c:\\victims\\Default.ASP")) == BODY.encode(), "Default.ASP cut")
        check(read(os.path.join(outside, "copy.exe")) == outside_copy, "copy behind link kept")
        check(read(os.path.join(outside, "page.htm")) == (BODY + SCRIPT).encode(),
              "page behind link kept")
        for path in (deep_file, deep_folder):
            check(read(p.host_path(path)) == (BODY + SCRIPT).encode(), "long path kept: " + path)
        check(os.path.islink(os.path.join(d, "games", "back_up")), "link itself kept")
        leftovers = [n for n in os.listdir(p.temp_dir()) if n.lower().startswith("quv")]
        check(leftovers == [], "no restore target left: %r" % leftovers)
        check(infected_a != host_a, "fixture sanity")

        # A program in use on d: is replaced at the next start. A start-up rename can't
        # cross drives, so its source lies on d: as well, and the temporary folder cleanup
        # of a following run leaves it alone.
        busy_host = host_bytes(p, 6000, 6)
        busy = make(p, "infected", "d:\\busy\\running.exe", 6000, 6)
        lines = sweep_lines(p, ["--hold", "d:\\busy\\running.exe"])
        check(lines == [line(REPLACED_LATER, "d:\\busy\\running.exe")],
              "held program on d: is replaced after reboot: %r" % lines)
        check(read(p.host_path("d:\\busy\\running.exe")) == busy, "held program on d: unchanged")
        sources = [source[len("\\??\\"):] for source, destination in p.pending_renames()
                   if destination.lstrip("!").lower() == "\\??\\d:\\busy\\running.exe"]
        check(len(sources) == 1 and sources[0].lower().startswith("d:\\busy\\"),
              "the registered replacement comes from d: %r" % sources)
        user = os.path.basename(os.path.dirname(p.temp_dir()))
        r = p.run([PROBE, "clean", "c:\\users\\%s\\Temp\\" % user], timeout=120)
        check(r.returncode == 0, "temporary folder cleanup ran")
        check(len(sources) == 1 and os.path.exists(p.host_path(sources[0])) and
              read(p.host_path(sources[0])) == busy_host,
              "the registered source survives the cleanup and holds the host")


def test_9x_held_files():
    with WinePrefix("sweep_drives_9x", win98=True) as p:
        p.drive("d")
        host = host_bytes(p, 7000, 4)
        infected = make(p, "infected", "c:\\apps\\running.exe", 7000, 4)
        copy = make(p, "bare", "d:\\loaded.dll")
        host_free = host_bytes(p, 3000, 5)
        make(p, "infected", "d:\\free\\tool.exe", 3000, 5)
        wininit = os.path.join(p.windows_dir(), "wininit.ini")
        if os.path.exists(wininit):
            os.remove(wininit)

        lines = sweep_lines(p, ["--hold", "c:\\apps\\running.exe", "--hold", "d:\\loaded.dll"])
        expected = sorted([
            line(REPLACED_LATER, "c:\\apps\\running.exe"),
            line(DELETED_LATER, "d:\\loaded.dll"),
            line(DISINFECTED, "d:\\free\\tool.exe"),
        ])
        check(lines == expected, "9x sweep lines:\n%s\nexpected:\n%s"
              % ("\n".join(lines), "\n".join(expected)))
        check(read(p.host_path("c:\\apps\\running.exe")) == infected, "held program unchanged")
        check(read(p.host_path("d:\\loaded.dll")) == copy, "held copy unchanged")
        check(read(p.host_path("d:\\free\\tool.exe")) == host_free, "free program restored")

        # The start-up rename file names the deletion and the waiting restored host.
        wininit_text = read(wininit).decode("latin-1") if os.path.exists(wininit) else ""
        entries = {}
        for raw in wininit_text.splitlines():
            if "=" in raw:
                key, value = raw.split("=", 1)
                entries[key.strip().lower()] = value.strip()
        check(entries.get("nul", "").lower() == "d:\\loaded.dll", "wininit NUL entry: %r" % wininit_text)
        source = entries.get("c:\\apps\\running.exe", "")
        check(source != "", "wininit replacement entry: %r" % wininit_text)
        if source:
            check(read(p.host_path(source)) == host, "the waiting file is the host")


if __name__ == "__main__":
    test_nt_drives()
    test_9x_held_files()
    sys.exit(exit_code())
