"""The drive sweep's progress in the console window's title. The probe runs in a
pseudo-terminal, where Wine's console hands every title it is given to the terminal as a
title sequence (ESC ] 0 ; title BEL), each read here with the time it came. While a test
tree is swept the title names the folder and the files examined so far, at most about four
times a second; after the sweep it is the title from before, the empty one as well; and
standard output gets nothing.

Usage: test_sweep_progress.py <sweep_probe.exe>
"""
import os
import pty
import re
import select
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_session import WinePrefix  # noqa: E402
from checks import check, exit_code  # noqa: E402

PROBE = sys.argv[1]
FOLDERS = 20
PAGES_PER_FOLDER = 200
TITLE = re.compile(rb"\x1b\]0;([^\x07]*)\x07")
PROGRESS = re.compile(r"^Sweeping (.+) - (\d+) files examined$")


def titles_of_run(p, args, timeout=180):
    """Runs the probe in a pseudo-terminal; returns its exit code, its standard output, the
    titles the terminal was given as (seconds since the start, title) and the run's length
    in seconds."""
    master, slave = pty.openpty()
    stdout_path = os.path.join(p.prefix, "stdout.txt")
    start = time.time()
    with open(stdout_path, "wb") as out:
        proc = subprocess.Popen([p.loader, PROBE] + args, env=p.env, stdin=slave, stdout=out,
                                stderr=slave, start_new_session=True, cwd=p.host_path("c:\\"))
    os.close(slave)
    screen, titles = b"", []
    try:
        while True:
            ended = proc.poll() is not None
            while select.select([master], [], [], 0.01)[0]:
                try:
                    data = os.read(master, 4096)
                except OSError:
                    data = b""
                if not data:
                    break
                screen += data
                # Titles are taken as they complete; a sequence cut by a read waits.
                found = TITLE.findall(screen)
                now = time.time() - start
                titles += [(now, t.decode("latin-1")) for t in found[len(titles):]]
            if ended:
                break
            if time.time() - start > timeout:
                proc.kill()
                raise RuntimeError("the probe timed out")
    finally:
        os.close(master)
    with open(stdout_path, "rb") as f:
        output = f.read()
    return proc.returncode, output, titles, time.time() - start


def test_title_during_and_after_the_sweep():
    with WinePrefix("sweep_progress") as p:
        # Pages are opened whatever their size, so empty ones make a tree that takes a while.
        for f in range(FOLDERS):
            folder = p.host_path("c:\\tree\\f%02d" % f)
            os.makedirs(folder)
            for i in range(PAGES_PER_FOLDER):
                open(os.path.join(folder, "p%03d.htm" % i), "wb").close()
        total = FOLDERS * PAGES_PER_FOLDER

        # The title the console had before: one of the probe's, or Wine's empty one.
        for before in ["title before the sweep", ""]:
            args = (["--title", before] if before else []) + ["sweep", "c:\\tree\\"]
            code, output, titles, seconds = titles_of_run(p, args)
            what = "title %r: " % before
            check(code == 0, what + "probe exit code %d" % code)
            check(output == b"", what + "nothing on standard output: %r" % output[:200])
            names = [t for _, t in titles]
            if before:
                check(names[:1] == [before], what + "set first: %r" % names[:1])
                names = names[1:]
            check(len(names) >= 2 and names[-1] == before,
                  what + "the title from before is back after the sweep: %r" % names[-1:])

            progress = [PROGRESS.match(t) for t in names[:-1]]
            check(progress and all(progress), what + "every title in between is progress: %r"
                  % names[:-1][:5])
            progress = [m for m in progress if m]
            counts = [int(m.group(2)) for m in progress]
            check(all(m.group(1).startswith("c:\\tree\\") for m in progress),
                  what + "the folders shown lie in the swept tree: %r"
                  % sorted({m.group(1) for m in progress})[:5])
            check(counts == sorted(counts) and counts and counts[0] == 0 and counts[-1] <= total,
                  what + "counts grow from 0 up to the %d files: %r" % (total, counts))
            check(max(counts or [0]) > 0,
                  what + "progress shown while sweeping, in a sweep of %.1f s" % seconds)
            check(len(progress) <= seconds / 0.25 + 2,
                  what + "%d title changes in %.1f s: at most about four a second"
                  % (len(progress), seconds))


if __name__ == "__main__":
    test_title_during_and_after_the_sweep()
    sys.exit(exit_code())
