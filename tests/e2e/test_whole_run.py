"""pemvolt's whole cleaning run, end to end, once on the NT family and once in 9x mode.

Each run has a throw-away prefix without a z: drive and with a second fixed drive d:. On
them lie infected programs, bare worm copies, infected and clean pages, a plain program,
and two worm files that another program holds open; the temporary folder holds files at
several depths; system.ini names the worm beside the shell. The stand-in "net" and svrapi.dll stand where
the system's own are, in the system folder. The program is copied to c:\\tools, as a user
would run it, and runs in a pseudo-terminal from c:\\download: y at the prompt, then a key
at the end. Both folders hold decoys named explorer.exe, net.exe and svrapi.dll, which
record it if they ever run or load. The test compares the console transcript line for line
and then the machine: files, pages, temporary folder, system.ini, start-up registrations,
the rich-edit library and the decoys' record.

usage: test_whole_run.py <pemvolt.exe> <sweep_probe.exe> <file_holder.exe>
                         <folder with net.exe and svrapi.dll>
                         <folder with decoy_program.exe and the decoy svrapi.dll>
                         <library pemvolt embeds, or "">
                         [<a pemvolt build with a library> <the library it embeds>]
"""
import configparser
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_session import WinePrefix  # noqa: E402
from checks import check, exit_code  # noqa: E402
from pemvolt_texts import (BANNER, CLOSING, DELETED, DELETED_LATER, DISINFECTED, GUEST_DELETED,  # noqa: E402
                           LIBRARY_FAILED, LIBRARY_WRITTEN, PAUSE_MARK, PROMPT, PROMPT_MARK, REPLACED_LATER,
                           SCRIPT, SHARE_DELETED, SHELL, TEMP_ALL, TEMP_SOME, WARNING)
from transcript import split_transcript, text  # noqa: E402

# Worm programs: path, kind for the fixture maker, host size and seed, expected outcome.
PROGRAMS = [
    (r"c:\apps\infected.exe", "infected", 6000, 1, "restored"),
    (r"c:\apps\tools\second.exe", "infected_b", 9000, 2, "restored"),
    (r"c:\apps\wormcopy.exe", "bare", 0, 0, "deleted"),
    (r"c:\apps\plain.exe", "plain", 5000, 5, "untouched"),
    (r"c:\apps\locked.exe", "infected", 7000, 3, "replaced later"),
    (r"c:\apps\lockcopy.exe", "bare", 0, 0, "deleted later"),
    (r"d:\games\game.exe", "infected", 4000, 4, "restored"),
    (r"d:\games\setup.exe", "bare", 0, 0, "deleted"),
]
HELD = [r"c:\apps\locked.exe", r"c:\apps\lockcopy.exe"]
PAGE_BODY = b"<html><body>Our pages\r\n</body></html>\r\n"
PAGES = [
    # path, content, cut
    (r"c:\web\index.html", PAGE_BODY + SCRIPT.encode(), True),
    (r"d:\site\default.ASP", b"<% Response.Write(1) %>" + SCRIPT.upper().encode(), True),
    (r"c:\web\clean.htm", PAGE_BODY, False),
    (r"c:\web\late.htm", PAGE_BODY + SCRIPT.encode() + b"\r\n", False),
    (r"c:\web\notes.txt", PAGE_BODY + SCRIPT.encode(), False),
]
TEMP_FILES = ["a.tmp", os.path.join("sub", "b.dat"), os.path.join("sub", "deeper", "c.txt")]
SYSTEM_INI = ("[boot]\r\nshell=Explorer.exe load.exe\r\noemfonts.fon=vgaoem.fon\r\n"
              "[drivers]\r\nwave=mmdrv.dll\r\n")

def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def make_fixtures(p, sweep_probe, expected_dir):
    """Worm programs through the fixture maker; the hosts they carry kept aside."""
    hosts = {}
    for path, kind, size, seed, _ in PROGRAMS:
        os.makedirs(os.path.dirname(p.host_path(path)), exist_ok=True)
        args = [sweep_probe, "make", kind, path]
        if size:
            args += [str(size), str(seed)]
        r = p.run(args)
        if r.returncode != 0:
            raise RuntimeError("fixture maker failed for %s" % path)
        if kind.startswith("infected"):
            # Made on c:, then moved out of the prefix's drives before the run.
            r = p.run([sweep_probe, "make", "host", r"c:\expected.bin", str(size), str(seed)])
            if r.returncode != 0:
                raise RuntimeError("fixture maker failed for the host of %s" % path)
            hosts[path] = os.path.join(expected_dir, os.path.basename(path))
            shutil.move(p.host_path(r"c:\expected.bin"), hosts[path])
    originals = {path: read(p.host_path(path)) for path, *_ in PROGRAMS}
    for path, content, _ in PAGES:
        write(p.host_path(path), content)
    return hosts, originals


def install_program(p, pemvolt, helpers, decoys):
    """The stand-ins in the system folder; the program in c:\\tools; decoys in c:\\tools
    and in c:\\download, the folder the program starts in."""
    system = os.path.join(p.windows_dir(), "system32")
    for name in ("net.exe", "svrapi.dll"):
        shutil.copy(os.path.join(helpers, name), os.path.join(system, name))
    tools, download = p.host_path(r"c:\tools"), p.host_path(r"c:\download")
    for folder in (tools, download):
        os.makedirs(folder, exist_ok=True)
        for name in ("explorer.exe", "net.exe"):
            shutil.copy(os.path.join(decoys, "decoy_program.exe"), os.path.join(folder, name))
        shutil.copy(os.path.join(decoys, "svrapi.dll"), os.path.join(folder, "svrapi.dll"))
    shutil.copy(pemvolt, os.path.join(tools, "pemvolt.exe"))
    return os.path.join(tools, "pemvolt.exe"), download


def hold(p, file_holder, paths):
    ready = p.host_path(r"c:\holder.ready")
    proc = p.spawn([file_holder, r"c:\holder.ready"] + list(paths))
    deadline = time.time() + 60
    while not os.path.exists(ready):
        if proc.poll() is not None or time.time() > deadline:
            raise RuntimeError("the file holder did not start")
        time.sleep(0.1)
    os.remove(ready)
    return proc


def wininit_lines(p):
    path = os.path.join(p.windows_dir(), "wininit.ini")
    if not os.path.exists(path):
        return []
    lines, in_rename = [], False
    for line in text(read(path)).splitlines():
        line = line.strip()
        if line.startswith("["):
            in_rename = line.lower() == "[rename]"
        elif in_rename and line:
            lines.append(line.lower())
    return lines


def temp_windows_path(temp):
    """Windows path of the prefix's temporary folder, lower case: c:\\users\\<user>\\temp."""
    return r"c:\users\%s\temp" % os.path.basename(os.path.dirname(temp)).lower()


def one_run(name, family, pemvolt, sweep_probe, file_holder, helpers, decoys, payload):
    win98 = family == "9x"
    with WinePrefix("whole_run_" + name, win98=win98) as p:
        print("--- %s: %s family, %s" % (name, family, "library " + payload if payload else "no library"))
        p.drive("d")
        expected_dir = os.path.join(p.prefix, "expected")
        os.makedirs(expected_dir)
        hosts, originals = make_fixtures(p, sweep_probe, expected_dir)
        program, download = install_program(p, pemvolt, helpers, decoys)
        temp = p.temp_dir()
        for relative in TEMP_FILES:
            write(os.path.join(temp, relative), b"temporary " + relative.encode())
        held_temp = os.path.join(temp, "sub", "held.tmp")
        held = list(HELD)
        if win98:
            # In 9x mode one temporary file is in use as well.
            write(held_temp, b"in use")
            held.append(temp_windows_path(temp) + r"\sub\held.tmp")
        write(os.path.join(p.windows_dir(), "system.ini"), SYSTEM_INI.encode())
        system_library = os.path.join(p.windows_dir(), "system32", "riched20.dll")
        library_before = read(system_library)
        holder = hold(p, file_holder, held)

        # The program's helpers in the system folder, in place of Wine's own: a net command
        # that succeeds and (9x) a share library with the worm's opening and a print queue.
        p.env.update(STANDIN_NET_EXIT="0", STANDIN_NET_LOG=r"c:\net.log",
                     STANDIN_SHARES="print:1,C$:0", STANDIN_SHARE_LOG=r"c:\shares.log",
                     DECOY_LOG=r"c:\decoys.log",
                     WINEDLLOVERRIDES=p.env["WINEDLLOVERRIDES"] + ";svrapi=n;net.exe=n")
        code, stdout = p.run_console([program], keys=["y", "x"],
                                     wait_for=[PROMPT_MARK, PAUSE_MARK],
                                     timeout=600, cwd=download)
        out = text(stdout)
        print(out)

        # The console transcript. The sweep's lines come in the order of the folder
        # listings, which the file system decides: they are compared as a set, c: first.
        head, sweep, tail = split_transcript(out, SHELL)
        check(code == 0, "%s: exit status 0" % name)
        check(head == BANNER + WARNING + PROMPT + (TEMP_SOME if win98 else TEMP_ALL),
              "%s: banner, warning, prompt and the temporary folder line: %r" % (name, head))
        expected_sweep = []
        for path, _, _, _, outcome in PROGRAMS:
            line = {"restored": DISINFECTED, "deleted": DELETED, "replaced later": REPLACED_LATER,
                    "deleted later": DELETED_LATER}.get(outcome)
            if line:
                expected_sweep.append(line % path)
        expected_sweep += [DISINFECTED % path for path, _, cut in PAGES if cut]
        check(sorted(sweep) == sorted(expected_sweep),
              "%s: one line for each treated file: %r" % (name, sweep))
        drives = [line[0] for line in sweep]
        check(drives == sorted(drives), "%s: c: is swept before d:" % name)
        network = SHARE_DELETED if win98 else GUEST_DELETED
        library = LIBRARY_WRITTEN if payload else LIBRARY_FAILED
        check(tail == SHELL + network + library + CLOSING,
              "%s: system.ini, network, library and closing lines: %r" % (name, tail))

        # Programs and pages.
        for path, kind, _, _, outcome in PROGRAMS:
            host = p.host_path(path)
            if outcome == "restored":
                check(os.path.exists(host) and read(host) == read(hosts[path]),
                      "%s: %s holds its host again, byte for byte" % (name, path))
            elif outcome == "deleted":
                check(not os.path.exists(host), "%s: %s is deleted" % (name, path))
            else:
                check(read(host) == originals[path],
                      "%s: %s is as it was (%s)" % (name, path, outcome))
        for path, content, cut in PAGES:
            expected = content[:-len(SCRIPT)] if cut else content
            check(read(p.host_path(path)) == expected,
                  "%s: %s %s" % (name, path, "is cut clean" if cut else "is untouched"))

        # The temporary folder: files gone at every depth, folders kept; what is left is,
        # in 9x mode, the file in use.
        left = sorted(os.path.relpath(os.path.join(d, f), temp)
                      for d, _, files in os.walk(temp) for f in files)
        check(left == ([os.path.join("sub", "held.tmp")] if win98 else []),
              "%s: the temporary folder is emptied: %r" % (name, left))
        check(os.path.isdir(os.path.join(temp, "sub", "deeper")), "%s: its folders are kept" % name)
        # The held program's restored host waits beside it for the next start, on its own
        # drive, where a start-up rename can reach.
        apps = p.host_path(r"c:\apps")
        restore_targets = [f for f in os.listdir(apps) if f.lower().startswith("quv")]
        check(len(restore_targets) == 1 and
              read(os.path.join(apps, restore_targets[0])) == read(hosts[r"c:\apps\locked.exe"]),
              "%s: the held program's host waits beside it: %r" % (name, restore_targets))
        target = restore_targets[0] if restore_targets else "?"

        # system.ini: the shell entry restored, everything else kept.
        ini = configparser.ConfigParser(interpolation=None)
        ini.read_string(text(read(os.path.join(p.windows_dir(), "system.ini"))))
        check(ini.get("boot", "shell", fallback=None) == "Explorer.exe",
              "%s: system.ini names the shell alone" % name)
        check(ini.get("boot", "oemfonts.fon", fallback=None) == "vgaoem.fon" and
              ini.get("drivers", "wave", fallback=None) == "mmdrv.dll",
              "%s: the rest of system.ini is kept" % name)

        # Start-up registrations for the files in use.
        pending = p.pending_renames()
        rename = wininit_lines(p)
        temp_windows = temp_windows_path(temp)
        replacement = (r"c:\apps\locked.exe=c:\apps\%s" % target).lower()
        print("pending:", pending, "wininit:", rename)
        if win98:
            check(pending == [], "9x: nothing registered with the NT family's start-up renames")
            check(sorted(rename) == sorted([r"nul=c:\apps\lockcopy.exe", replacement,
                                            (r"nul=%s\sub\held.tmp" % temp_windows)]),
                  "9x: wininit.ini renames the held program's host into place and deletes "
                  "the held copy and the temporary file: %r" % rename)
        else:
            pairs = [(s.lower(), d.lower()) for s, d in pending]
            check((r"\??\c:\apps\lockcopy.exe", "") in pairs,
                  "NT: the held copy is registered for deletion: %r" % pending)
            check(any(s == (r"\??\c:\apps\%s" % target).lower() and
                      d.lstrip("!") == r"\??\c:\apps\locked.exe" for s, d in pairs),
                  "NT: the held program's host is registered to replace it: %r" % pending)
            check(len(pairs) == 2, "NT: nothing else is registered: %r" % pending)

        # The network repair's command, and the library.
        if win98:
            check(text(read(p.host_path(r"c:\shares.log"))).splitlines()[-1:] == ["del C$"],
                  "9x: the C$ disk share is deleted, the print queue left alone")
        else:
            check(text(read(p.host_path(r"c:\net.log"))) == "localgroup Administrators guest /delete\n",
                  "NT: the guest account command ran")
        check(read(program) == read(pemvolt), "%s: the program's own file is left alone" % name)
        decoy_log = p.host_path(r"c:\decoys.log")
        check(not os.path.exists(decoy_log), "%s: no program or library planted beside the "
              "program or in its current folder ran or loaded: %r"
              % (name, text(read(decoy_log)) if os.path.exists(decoy_log) else ""))
        library_after = read(system_library)
        if payload:
            check(library_after == read(payload), "%s: the library is the embedded one" % name)
        else:
            check(library_after == library_before, "%s: without an embedded library the "
                  "system's library is untouched" % name)
        check(not [f for f in os.listdir(os.path.dirname(system_library)) if f.lower().startswith("red")
                   and f.lower().endswith(".tmp")], "%s: no temporary library file is left" % name)
        holder.kill()
        holder.wait()


def main():
    pemvolt, sweep_probe, file_holder, helpers, decoys = sys.argv[1:6]
    payload = sys.argv[6] if len(sys.argv) > 6 and sys.argv[6] else None
    runs = [("nt", "nt", pemvolt, payload), ("9x", "9x", pemvolt, payload)]
    if len(sys.argv) > 8:
        # A build of the program that carries a library, so that the library is written.
        runs.append(("9x_library", "9x", sys.argv[7], sys.argv[8]))
    for name, family, program, library in runs:
        one_run(name, family, program, sweep_probe, file_holder, helpers, decoys, library)
    return exit_code()


if __name__ == "__main__":
    sys.exit(main())
