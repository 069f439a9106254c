"""An X display for the dialog tests and the demonstration: an Xvfb server that picks a
free display number itself (-displayfd) and says so only once it accepts clients.

In Python: `with XvfbDisplay() as display:` ... display.name ...; stopped by its pid.
From a shell: `xvfb_display.py start` starts one, prints "<pid> <display>" and leaves it
running; the caller stops it by that pid.
"""
import os
import subprocess
import sys


def start_xvfb(size="1024x768x24"):
    """Starts Xvfb; returns (process, display name such as ":3")."""
    read_end, write_end = os.pipe()
    try:
        proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", size,
                                 "-nolisten", "tcp"], pass_fds=(write_end,),
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
    finally:
        os.close(write_end)
    with os.fdopen(read_end, "rb") as f:
        number = f.readline().strip()
    if not number.isdigit():
        proc.kill()
        proc.wait()
        raise RuntimeError("Xvfb did not start")
    return proc, ":" + number.decode()


class XvfbDisplay:
    """An Xvfb server for the length of a with block; stopped by its pid."""

    def __init__(self, size="1024x768x24"):
        self.size = size
        self.proc = None
        self.name = None

    def __enter__(self):
        self.proc, self.name = start_xvfb(self.size)
        return self

    def __exit__(self, *exc):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        return False


def main():
    if sys.argv[1:] != ["start"]:
        print("usage: xvfb_display.py start", file=sys.stderr)
        return 2
    proc, name = start_xvfb()
    print(proc.pid, name)
    return 0


if __name__ == "__main__":
    sys.exit(main())
