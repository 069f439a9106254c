"""Runs a Windows test program through the 64-bit Wine loader inside a pseudo-terminal, so
that it has a console of its own (without one, console input can be neither written nor
read). Its standard output goes to a file and is printed afterwards; the exit status is
the program's. The prefix is the one the environment names.

usage: run_in_terminal.py <program.exe> [arguments...]
"""
import os
import pty
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_session import WINE64, _drain  # noqa: E402


def main():
    master, slave = pty.openpty()
    with tempfile.TemporaryFile() as out:
        proc = subprocess.Popen([WINE64] + sys.argv[1:], stdin=slave, stdout=out, stderr=slave,
                                start_new_session=True)
        os.close(slave)
        deadline = time.time() + 300
        while proc.poll() is None:
            _drain(master)
            if time.time() > deadline:
                proc.kill()
                print("timed out")
            time.sleep(0.05)
        _drain(master)
        os.close(master)
        out.seek(0)
        sys.stdout.write(out.read().decode("utf-8", "replace"))
    return proc.returncode


if __name__ == "__main__":
    sys.exit(main())
