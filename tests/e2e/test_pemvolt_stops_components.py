"""The whole cleaner, confirmed with Y, in a throw-away prefix that runs the worm's
components: two programs and a service named like components, and the service's keys in
ControlSet001 and ControlSet002. All of them are gone afterwards and each process is
reported with its line.

usage: test_pemvolt_stops_components.py <pemvolt.exe> <folder of the test programs>
"""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_session import WinePrefix  # noqa: E402
from pemvolt_texts import PAUSE_MARK, PROMPT_MARK, STOPPED  # noqa: E402
from checks import check, exit_code, failures  # noqa: E402
from process_prefix import (STANDARD_TITLES, install_counter_titles, install_process_provider,  # noqa: E402
                            key_exists, make_service_keys, service_state, wait_for_state)
from transcript import text  # noqa: E402


def main():
    pemvolt, programs = sys.argv[1], sys.argv[2]
    with WinePrefix("pemvolt_stops_components") as p:
        install_counter_titles(p, STANDARD_TITLES)
        install_process_provider(p, os.path.join(programs, "perf_provider.dll"))

        procs = {}
        for path in (r"c:\worm\MMC.EXE", r"c:\worm\LOAD.EXE"):
            os.makedirs(os.path.dirname(p.host_path(path)), exist_ok=True)
            shutil.copy(os.path.join(programs, "proc_sleeper.exe"), p.host_path(path))
            procs[path] = p.spawn([path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.copy(os.path.join(programs, "proc_test_service.exe"), p.host_path(r"c:\worm\svc.exe"))
        p.run(["sc", "create", "HTTPODBC.DLL", "binPath=", r"c:\worm\svc.exe HTTPODBC.DLL"])
        p.run(["sc", "start", "HTTPODBC.DLL"])
        check(wait_for_state(p, "HTTPODBC.DLL", "RUNNING") == "RUNNING", "the worm's service runs")
        keys = [make_service_keys(p, n, "HTTPODBC.DLL") for n in (1, 2)]
        time.sleep(1)
        check(all(proc.poll() is None for proc in procs.values()), "the worm's programs run")

        code, out = p.run_console([pemvolt], keys=["y", " "], wait_for=[PROMPT_MARK, PAUSE_MARK],
                                  timeout=600)
        out = text(out)
        check(code == 0, "pemvolt ends with status 0")
        mmc, load = out.find(STOPPED % "MMC.EXE"), out.find(STOPPED % "LOAD.EXE")
        check(0 <= mmc < load, "each program is reported, in the order of the components")
        check(out.count(STOPPED % "MMC.EXE") == 1 and out.count(STOPPED % "LOAD.EXE") == 1,
              "each program is reported once")
        check("must be started with Administrator privileges" not in out,
              "no administrator line with the debug privilege")
        deadline = time.time() + 10
        while time.time() < deadline and any(proc.poll() is None for proc in procs.values()):
            time.sleep(0.1)
        check(all(proc.poll() is not None for proc in procs.values()), "the worm's programs are gone")
        check(service_state(p, "HTTPODBC.DLL") is None, "the worm's service is gone")
        check(not any(key_exists(p, key) for key in keys), "its keys are gone from both control sets")
        if failures:
            print(out)
    return exit_code()


if __name__ == "__main__":
    sys.exit(main())
