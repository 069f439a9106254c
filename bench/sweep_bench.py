"""Sweep benchmark: generates a tree of 100,000 files in a throw-away Wine prefix (mostly
small files that are no programs, some PE programs without the worm's code, some web pages
without its script) and runs sweep_bench.exe on it, which times the sweep against a walker
that only lists, opens and reads 64 bytes of each file.

Usage: sweep_bench.py <sweep_bench.exe> [files] [rounds]
Not part of the test run: bench/run_sweep_bench.sh builds and runs it.
"""
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
FILES_PER_FOLDER = 100
SUBFOLDERS = 25


def pe_program(rng):
    """A PE program as far as the sweep's tests look: MZ, e_lfanew, "PE\\0\\0", and more than
    the 4,396 bytes that the signature test reads; its code is random, so no signature."""
    size = rng.randrange(8 * 1024, 48 * 1024)
    head = bytearray(b"MZ" + bytes(58) + struct.pack("<I", 0x80) + bytes(0x80 - 64))
    head += b"PE\0\0" + struct.pack("<HH", 0x14C, 2) + bytes(1024)
    return bytes(head) + rng.randbytes(size - len(head))


def page(rng):
    body = "<html><body>%s</body></html>\r\n" % ("text " * rng.randrange(20, 1500))
    return body.encode()


def generate(root, count, seed=1):
    rng = random.Random(seed)
    made = 0
    top = 0
    while made < count:
        for sub in range(SUBFOLDERS):
            folder = os.path.join(root, "t%03d" % top, "s%02d" % sub)
            os.makedirs(folder, exist_ok=True)
            for i in range(min(FILES_PER_FOLDER, count - made)):
                kind = rng.random()
                if kind < 0.05:
                    name, data = "prog%03d.exe" % i, pe_program(rng)
                elif kind < 0.10:
                    name = "page%03d.%s" % (i, rng.choice(["htm", "html", "asp"]))
                    data = page(rng)
                else:
                    name = "file%03d.%s" % (i, rng.choice(["txt", "dat", "log", "ini", "bin"]))
                    data = rng.randbytes(rng.randrange(100, 4096))
                with open(os.path.join(folder, name), "wb") as f:
                    f.write(data)
                made += 1
            if made >= count:
                break
        top += 1


def main():
    with WinePrefix("bench_sweep") as p:
        root = p.host_path("c:\\bench")
        start = time.time()
        generate(root, FILES)
        print("generated %d files in %.1f s" % (FILES, time.time() - start), flush=True)
        r = p.run([BENCH, "c:\\bench\\", ROUNDS], timeout=7200)
        sys.stdout.write(r.stdout.decode("latin-1").replace("\r\n", "\n"))
        sys.stderr.write(r.stderr.decode("latin-1"))
        return r.returncode


if __name__ == "__main__":
    sys.exit(main())
