"""Sweep benchmark: generates two trees of 100,000 files each in a throw-away Wine prefix and
runs sweep_bench.exe on each, which times the sweep against a walker that lists, opens and
reads 64 bytes of every file, and the sweep's steps one at a time.

The trees:
- lognormal: file sizes as measured on real drives. Douceur and Bolosky ("A Large-Scale
  Study of File-System Contents", SIGMETRICS 1999) found sizes by count log-normal, with a
  standard deviation of ln(size in bytes) of about 2.35 (mean 8.45, a median of 4.7 KB);
  Agrawal et al. ("A Five-Year Study of File-System Metadata", FAST 2007) found the median
  near 4 KB. Sizes are drawn with median 4,096 bytes (mu = ln 4096 = 8.32) and sigma = 2.35.
  90 % are other files, 5 % programs (PE, sizes from the same distribution drawn again
  until at least 1 KB), 5 % web pages (same distribution). None carries the worm.
- programs: every file a PE program of 8 to 48 KB without the worm's code, the case in
  which the sweep must open and test every file.

Only the bytes that some test reads are written (the head, a program's code position, a
page's end); the rest of each file is a hole, so that the trees take little disk space.

Usage: sweep_bench.py <sweep_bench.exe> [files] [rounds] [trees]
  trees: comma-separated, from lognormal,programs (default both).
Not part of the test run: bench/run_sweep_bench.sh builds and runs it.
"""
import math
import os
import random
import struct
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "tests", "e2e"))
from wine_session import WinePrefix  # noqa: E402

BENCH = sys.argv[1]
FILES = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
ROUNDS = sys.argv[3] if len(sys.argv) > 3 else "3"
TREES = sys.argv[4].split(",") if len(sys.argv) > 4 else ["lognormal", "programs"]
FILES_PER_FOLDER = 100
SUBFOLDERS = 25

MEDIAN = 4096
SIGMA = 2.35
HEAD = 4096  # bytes written at the start of a file; past them a file is a hole
PE_OFFSET = 0x80


def lognormal_size(rng):
    return max(0, int(rng.lognormvariate(math.log(MEDIAN), SIGMA)))


def write_sparse(path, head, size, tail=b""):
    """A file of size bytes: head at its start, tail at its end, a hole in between."""
    with open(path, "wb") as f:
        if size <= len(head) + len(tail):
            data = head[:max(0, size - len(tail))] + tail
            f.write(data[len(data) - size:])
            return
        f.write(head)
        f.seek(size - len(tail))
        f.write(tail)
        f.truncate(size)


def pe_program(rng, path, size):
    """A PE program as far as the sweep's tests look: MZ, e_lfanew, "PE\\0\\0" and a header
    window; random code at the worm's code position, so no signature."""
    head = bytearray(b"MZ" + bytes(58) + struct.pack("<I", PE_OFFSET) + bytes(PE_OFFSET - 64))
    head += b"PE\0\0" + struct.pack("<HH", 0x14C, 2) + bytes(1024)
    head += rng.randbytes(max(0, min(size, 8192) - len(head)))
    write_sparse(path, bytes(head), size)


def page(rng, path, size):
    text = ("<html><body>" + "text " * (HEAD // 5)).encode()[:HEAD]
    write_sparse(path, text, size, b"</body></html>\r\n")


def other_file(rng, path, size):
    head = rng.randbytes(min(size, HEAD))
    if head[:2] == b"MZ":
        head = b"mz" + head[2:]
    write_sparse(path, head, size)


def lognormal_file(rng, folder, i):
    kind = rng.random()
    if kind < 0.05:
        size = lognormal_size(rng)
        while size < 1024:
            size = lognormal_size(rng)
        pe_program(rng, os.path.join(folder, "prog%03d.exe" % i), size)
    elif kind < 0.10:
        name = "page%03d.%s" % (i, rng.choice(["htm", "html", "asp"]))
        page(rng, os.path.join(folder, name), lognormal_size(rng))
    else:
        name = "file%03d.%s" % (i, rng.choice(["txt", "dat", "log", "ini", "bin", "jpg", "dll"]))
        other_file(rng, os.path.join(folder, name), lognormal_size(rng))


def program_file(rng, folder, i):
    pe_program(rng, os.path.join(folder, "prog%03d.exe" % i), rng.randrange(8 * 1024, 48 * 1024))


def generate(root, count, make_file, seed=1):
    rng = random.Random(seed)
    made = 0
    top = 0
    while made < count:
        for sub in range(SUBFOLDERS):
            folder = os.path.join(root, "t%03d" % top, "s%02d" % sub)
            os.makedirs(folder, exist_ok=True)
            for i in range(min(FILES_PER_FOLDER, count - made)):
                make_file(rng, folder, i)
                made += 1
            if made >= count:
                break
        top += 1


def main():
    makers = {"lognormal": lognormal_file, "programs": program_file}
    status = 0
    with WinePrefix("bench_sweep") as p:
        for tree in TREES:
            root = p.host_path("c:\\" + tree)
            start = time.time()
            generate(root, FILES, makers[tree])
            print("%s tree: generated %d files in %.1f s; load average %s" % (
                tree, FILES, time.time() - start, " ".join(open("/proc/loadavg").read().split()[:3])),
                flush=True)
            # In a console of its own, as pemvolt runs, so that the title updates cost what
            # they cost there; standard output goes to a file.
            code, out = p.run_console([BENCH, "c:\\%s\\" % tree, ROUNDS], timeout=7200,
                                      stdout_path=os.path.join(p.prefix, "bench_%s.txt" % tree))
            sys.stdout.write(out.decode("latin-1").replace("\r\n", "\n"))
            print("%s tree: load average after the run %s" % (
                tree, " ".join(open("/proc/loadavg").read().split()[:3])), flush=True)
            status = status or code
    return status


if __name__ == "__main__":
    sys.exit(main())
