"""The network repair step end to end, with its exact lines, in throw-away prefixes.

9x family: a stand-in svrapi.dll beside the step's program serves the shares; NT family: a
stand-in "net" that the command interpreter finds first ends with the status asked for.
The step runs by itself in network_repair_probe, which links the cleaner's step.

usage: test_network_repair.py <folder of network_repair_probe.exe, svrapi.dll and net.exe>
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_session import WinePrefix  # noqa: E402
from checks import check, exit_code  # noqa: E402

SHARE_DELETED = ("Program has deleted c$ NetWork share in your hard drive.\n"
                 "If you need it, please restore link manually.\n")
SHARE_FAILED = "Program can not delete c$ NetWork share, please check it manually.\n"
GUEST_DELETED = ("Program has deleted guest account from Administrator group.\n"
                 "If you do not need guest account at all, please delete it manually.\n")
GUEST_FAILED = "Program can not delete guest account from Administrator group, please check it manually.\n"

def text(data):
    return data.decode("latin-1").replace("\r\n", "\n")


def read_log(path):
    if not os.path.exists(path):
        return ""
    with open(path, "rb") as f:
        data = text(f.read())
    os.remove(path)
    return data


def install(p, helpers, names):
    folder = p.host_path(r"c:\standin")
    os.makedirs(folder, exist_ok=True)
    for name in names:
        shutil.copy(os.path.join(helpers, name), folder)
    return os.path.join(folder, "network_repair_probe.exe")


def share_cases(p, helpers):
    probe = install(p, helpers, ["network_repair_probe.exe", "svrapi.dll"])
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
        r = p.run([probe])
        out = text(r.stdout)
        check(r.returncode == 0 and out == line, "%s: %r" % (what, out))
        check(read_log(log) == calls, what + ": the share calls made")
    p.env["WINEDLLOVERRIDES"] = base_overrides


def guest_cases(p, helpers):
    probe = install(p, helpers, ["network_repair_probe.exe", "net.exe"])
    log = p.host_path(r"c:\net.log")
    # The command interpreter looks along the path; the stand-in's folder comes first.
    p.env.update(WINEPATH=r"c:\standin", STANDIN_NET_LOG=r"c:\net.log")
    for status, line in (("0", GUEST_DELETED), ("2", GUEST_FAILED)):
        p.env["STANDIN_NET_EXIT"] = status
        r = p.run([probe])
        out = text(r.stdout)
        check(r.returncode == 0 and out == line, "net exits %s: %r" % (status, out))
        check(read_log(log) == "localgroup Administrators guest /delete\n",
              "net exits %s: the command line given to net" % status)


def main():
    helpers = sys.argv[1]
    with WinePrefix("network_repair_9x", win98=True) as p:
        share_cases(p, helpers)
    with WinePrefix("network_repair_nt") as p:
        guest_cases(p, helpers)
    return exit_code()


if __name__ == "__main__":
    sys.exit(main())
