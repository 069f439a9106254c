"""The network repair step end to end, with its exact lines, in throw-away prefixes.

9x family: a stand-in svrapi.dll in the system folder serves the shares; NT family: a
stand-in "net" in the system folder ends with the status asked for. The step runs by itself
in network_repair_probe, which links the cleaner's step. Decoys of the same names beside
the probe and in the folder it starts in must never run or load.

usage: test_network_repair.py <folder of network_repair_probe.exe, svrapi.dll and net.exe>
                              <folder of decoy_program.exe and the decoy svrapi.dll>
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_session import WinePrefix  # noqa: E402
from checks import check, exit_code  # noqa: E402
from pemvolt_texts import GUEST_DELETED, GUEST_FAILED, SHARE_DELETED, SHARE_FAILED  # noqa: E402
from transcript import text  # noqa: E402


def read_log(path):
    if not os.path.exists(path):
        return ""
    with open(path, "rb") as f:
        data = text(f.read())
    os.remove(path)
    return data


def install(p, helpers, decoys, name):
    """The stand-in in the system folder, in place of Wine's own; the probe in c:\\standin;
    decoys of the same name beside it and in c:\\download, where it starts."""
    shutil.copy(os.path.join(helpers, name), os.path.join(p.windows_dir(), "system32", name))
    folder, download = p.host_path(r"c:\standin"), p.host_path(r"c:\download")
    decoy = "svrapi.dll" if name == "svrapi.dll" else "decoy_program.exe"
    for where in (folder, download):
        os.makedirs(where, exist_ok=True)
        shutil.copy(os.path.join(decoys, decoy), os.path.join(where, name))
    shutil.copy(os.path.join(helpers, "network_repair_probe.exe"), folder)
    p.env["DECOY_LOG"] = r"c:\decoys.log"
    return os.path.join(folder, "network_repair_probe.exe"), download


def check_no_decoy(p, what):
    log = p.host_path(r"c:\decoys.log")
    check(not os.path.exists(log), "%s: no decoy ran or loaded: %r" % (what, read_log(log)))


def share_cases(p, helpers, decoys):
    probe, download = install(p, helpers, decoys, "svrapi.dll")
    log = p.host_path(r"c:\shares.log")
    base_overrides = p.env["WINEDLLOVERRIDES"]
    cases = [
        # what, shares, enumeration statuses, deletion status, dll load order, line, calls
        ("c$ and C$ disk shares deleted, other types and names left alone",
         "print:1,c$:0,C$:0,c$:1,d$:0,docs:0", "", "", "n", SHARE_DELETED,
         "enum 50 42\nenum 50 252\ndel c$\ndel C$\n"),
        ("no c$ share: nothing to delete", "d$:0,print:1", "", "", "n", SHARE_DELETED,
         "enum 50 42\nenum 50 84\n"),
        ("a failing deletion gives the fourth line", "c$:0,C$:0", "", "5", "n", SHARE_FAILED,
         "enum 50 42\nenum 50 84\ndel c$\ndel C$\n"),
        ("a failing second enumeration gives the fourth line", "c$:0", ",2102", "", "n",
         SHARE_FAILED, "enum 50 42\nenum 50 42\n"),
        ("a missing library gives the fourth line", "c$:0", "", "", "", SHARE_FAILED, ""),
    ]
    for what, shares, enum_status, del_status, load_order, line, calls in cases:
        p.env.update(STANDIN_SHARES=shares, STANDIN_SHARE_ENUM_STATUS=enum_status,
                     STANDIN_SHARE_DEL_STATUS=del_status, STANDIN_SHARE_LOG=r"c:\shares.log",
                     WINEDLLOVERRIDES=base_overrides + ";svrapi=" + load_order)
        r = p.run([probe], cwd=download)
        out = text(r.stdout)
        check(r.returncode == 0 and out == line, "%s: %r" % (what, out))
        check(read_log(log) == calls, what + ": the share calls made")
        check_no_decoy(p, what)
    p.env["WINEDLLOVERRIDES"] = base_overrides


def guest_cases(p, helpers, decoys):
    probe, download = install(p, helpers, decoys, "net.exe")
    log = p.host_path(r"c:\net.log")
    # A search along the path would try c:\\standin first.
    # Wine runs its own net in place of a native one of that name unless told otherwise.
    p.env.update(WINEPATH=r"c:\standin", STANDIN_NET_LOG=r"c:\net.log",
                 WINEDLLOVERRIDES=p.env["WINEDLLOVERRIDES"] + ";net.exe=n")
    for status, line in (("0", GUEST_DELETED), ("2", GUEST_FAILED)):
        p.env["STANDIN_NET_EXIT"] = status
        r = p.run([probe], cwd=download)
        out = text(r.stdout)
        check(r.returncode == 0 and out == line, "net exits %s: %r" % (status, out))
        check(read_log(log) == "localgroup Administrators guest /delete\n",
              "net exits %s: the command line given to net" % status)
        check_no_decoy(p, "net exits %s" % status)


def main():
    helpers, decoys = sys.argv[1:3]
    with WinePrefix("network_repair_9x", win98=True) as p:
        share_cases(p, helpers, decoys)
    with WinePrefix("network_repair_nt") as p:
        guest_cases(p, helpers, decoys)
    return exit_code()


if __name__ == "__main__":
    sys.exit(main())
