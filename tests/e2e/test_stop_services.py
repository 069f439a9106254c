"""Stopping and deleting a worm service and its keys in the numbered control sets, end to
end in a throw-away prefix, with the step run by itself in stop_probe.

usage: test_stop_services.py <folder of the test programs>
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_session import WinePrefix  # noqa: E402
from pemvolt_texts import ADMIN  # noqa: E402
from checks import check, exit_code  # noqa: E402
from process_prefix import key_exists, make_service_keys, service_state, wait_for_state  # noqa: E402
from transcript import text  # noqa: E402


def main():
    programs = sys.argv[1]
    probe = os.path.join(programs, "stop_probe.exe")
    with WinePrefix("stop_services") as p:
        service_exe = p.host_path(r"c:\svc\test_service.exe")
        os.makedirs(os.path.dirname(service_exe))
        shutil.copy(os.path.join(programs, "proc_test_service.exe"), service_exe)
        for name in ("MMC.EXE", "COOL.DLL"):
            r = p.run(["sc", "create", name, "binPath=", r"c:\svc\test_service.exe " + name])
            check(r.returncode == 0, "service %s registered" % name)
        p.run(["sc", "start", "MMC.EXE"])
        check(wait_for_state(p, "MMC.EXE", "RUNNING") == "RUNNING", "the MMC.EXE service runs")

        # The service's keys in control sets 1 and 2, one with a subkey besides "Security";
        # set 4 lies after the gap at 3 and is never reached.
        one = make_service_keys(p, 1, "MMC.EXE")
        two = make_service_keys(p, 2, "MMC.EXE")
        four = make_service_keys(p, 4, "MMC.EXE")
        cool = make_service_keys(p, 2, "COOL.DLL", extra_subkey="Parameters")
        other = make_service_keys(p, 1, "Dhcp")

        # Without the debug privilege: the administrator line, and nothing touched.
        r = p.run([probe, "--drop-debug", "MMC.EXE"])
        check(text(r.stdout) == ADMIN + "probe: MMC.EXE -> 0\n",
              "without the debug privilege only the administrator line: %r" % text(r.stdout))
        check(service_state(p, "MMC.EXE") == "RUNNING" and key_exists(p, one + r"\Security")
              and key_exists(p, two), "without the debug privilege the service and its keys stay")

        r = p.run([probe, "MMC.EXE", "COOL.DLL"])
        out = text(r.stdout)
        check(out == "probe: MMC.EXE -> 1\nprobe: COOL.DLL -> 1\n",
              "services and keys are handled without a line of their own: %r" % out)
        check(wait_for_state(p, "MMC.EXE", None) is None, "the running service is stopped and deleted")
        check(wait_for_state(p, "COOL.DLL", None) is None, "the stopped service is deleted")
        check(not key_exists(p, one) and not key_exists(p, two),
              "the service key is gone from ControlSet001 and ControlSet002")
        check(key_exists(p, four), "the missing ControlSet003 ends the walk: ControlSet004 untouched")
        check(key_exists(p, cool + r"\Parameters"),
              "a service key with another subkey than Security stays")
        check(key_exists(p, other), "other services' keys stay")

        # Without ControlSet001 no control set is looked at.
        p.reg(["delete", r"HKLM\SYSTEM\ControlSet001", "/f"])
        two = make_service_keys(p, 2, "MMC.EXE")
        r = p.run([probe, "MMC.EXE"])
        check(text(r.stdout) == "probe: MMC.EXE -> 1\n", "a second run prints nothing of its own")
        check(key_exists(p, two), "without ControlSet001 the key in ControlSet002 stays")
    return exit_code()


if __name__ == "__main__":
    sys.exit(main())
