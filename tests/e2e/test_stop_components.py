"""Stopping running worm processes, end to end in a throw-away prefix.

The prefix gets a process object in its performance data from the test provider. Test
programs copied under component names stand in for the worm; the step runs by itself in
stop_probe (which links the cleaner's step), once without the debug privilege and once with.

usage: test_stop_components.py <folder of the test programs>
"""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_session import WinePrefix  # noqa: E402
from pemvolt_texts import ADMIN, STOPPED  # noqa: E402
from checks import check, exit_code  # noqa: E402
from process_prefix import STANDARD_TITLES, install_counter_titles, install_process_provider  # noqa: E402
from transcript import text  # noqa: E402


def running(proc):
    return proc.poll() is None


def wait_for_end(procs, seconds=10):
    deadline = time.time() + seconds
    while time.time() < deadline and any(running(p) for p in procs):
        time.sleep(0.1)


def probe_lines(output):
    return [line for line in output.splitlines(True)
            if not line.startswith("probe: listed") and not line.startswith("probe: own id")]


def main():
    programs = sys.argv[1]
    with WinePrefix("stop_components") as p:
        install_counter_titles(p, STANDARD_TITLES)
        install_process_provider(p, os.path.join(programs, "perf_provider.dll"))

        # Two processes named like the first component, one like the second, one bystander,
        # and the step itself running from a file named like the first component.
        sleeper = os.path.join(programs, "proc_sleeper.exe")
        places = {"mmc_a": r"c:\worm\MMC.EXE", "mmc_b": r"c:\worm2\mmc.exe",
                  "load": r"c:\worm\LOAD.EXE", "bystander": r"c:\worm\NOTEPAD2.EXE"}
        for path in places.values():
            os.makedirs(os.path.dirname(p.host_path(path)), exist_ok=True)
            shutil.copy(sleeper, p.host_path(path))
        probe = p.host_path(r"c:\probe\MMC.EXE")
        os.makedirs(os.path.dirname(probe))
        shutil.copy(os.path.join(programs, "stop_probe.exe"), probe)
        procs = {name: p.spawn([path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                 for name, path in places.items()}
        time.sleep(2)
        check(all(running(proc) for proc in procs.values()), "the stand-in programs are running")

        # Without the debug privilege: the administrator line for each name, nothing stopped.
        r = p.run([probe, "--drop-debug", "MMC.EXE", "LOAD.EXE"])
        out = text(r.stdout)
        check(out == ADMIN + "probe: MMC.EXE -> 0\n" + ADMIN + "probe: LOAD.EXE -> 0\n",
              "without the debug privilege only the administrator line is printed: %r" % out)
        time.sleep(1)
        check(all(running(proc) for proc in procs.values()),
              "without the debug privilege no process is touched")

        # On the 9x family the step does nothing at all.
        p.set_version("win98")
        r = p.run([probe, "MMC.EXE"])
        p.set_version(None)
        check(text(r.stdout) == "probe: MMC.EXE -> 1\n", "on the 9x family nothing is printed: %r"
              % text(r.stdout))
        time.sleep(1)
        check(all(running(proc) for proc in procs.values()), "on the 9x family no process is touched")

        # With it, and with a provider that first asks for more room than the first buffer
        # (51,200 bytes) has, so the list comes from an enlarged buffer.
        p.env["PERF_TEST_MIN_ROOM"] = "60000"
        r = p.run([probe, "--list", "MMC.EXE", "LOAD.EXE", "ADMIN.DLL"])
        del p.env["PERF_TEST_MIN_ROOM"]
        out = text(r.stdout)
        listed = [line.split()[2:] for line in out.splitlines() if line.startswith("probe: listed")]
        names = [entry[1] for entry in listed]
        check("MMC.exe" in names and "mmc.exe" in names and "LOAD.exe" in names,
              "the list holds the stand-ins under their instance names with .exe: %r" % names)
        check("".join(probe_lines(out)) == STOPPED % "MMC.EXE" + STOPPED % "MMC.EXE" + "probe: MMC.EXE -> 1\n"
              + STOPPED % "LOAD.EXE" + "probe: LOAD.EXE -> 1\n" + "probe: ADMIN.DLL -> 1\n",
              "each matching process is reported once, the program itself never: %r" % out)
        wait_for_end(procs.values())
        for name in ("mmc_a", "mmc_b", "load"):
            check(not running(procs[name]), "%s was terminated" % places[name])
        check(running(procs["bystander"]), "a process of another name goes on running")
        check(r.returncode == 0, "the program named like the component was not terminated")
        for proc in procs.values():
            if running(proc):
                proc.kill()
            proc.wait()
    return exit_code()


if __name__ == "__main__":
    sys.exit(main())
