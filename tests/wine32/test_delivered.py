"""The delivered 32-bit programs themselves, under emulated 32-bit Wine.

usage: test_delivered.py <loader tree> <32-bit prefix template> <dist folder> <make_fixture>
                         <x86_64 test build folder> <32-bit perf_provider.dll>

Each start of a 32-bit program takes a minute or more under emulation, so the tier starts
each delivered program once. The helpers around them (the stand-in net command, the
dialog probe, the family window and uninstaller) are the x86_64 test build's, which the
prefix runs natively.

- pemvolt.exe, in a pseudo-terminal on the NT family: answered y, on a drive with an
  infected program, a bare worm copy and an infected page, and with a program running
  under a worm component's name, then a key. The prefix publishes the running processes
  through the test performance provider, built for 32 bits (a 32-bit program loads only
  a 32-bit provider) and installed in the 32-bit system folder. The transcript is
  compared byte for byte and the files afterwards: the program stopped and reported with
  its line, host restored byte-identical, copy deleted, page cut.
- trevalin.exe, under Xvfb, with a family window and an installed-programs entry: the
  family window gets WM_DESTROY, the uninstaller's question is answered Yes, the verdict
  line says "cured", and the push button ends the program with exit code 1.
- trevalin.exe again, with the entry in the 64-bit registry view only: its uninstaller
  runs and is answered Yes.
"""
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "e2e"))
from wine_session import WinePrefix, end_processes  # noqa: E402
from checks import check, exit_code  # noqa: E402
from trevalin_session import Probe, UNINSTALL_KEY, add_family, environment, prepare_prefix  # noqa: E402
from process_prefix import STANDARD_TITLES, install_counter_titles, install_process_provider  # noqa: E402
from transcript import split_transcript, text  # noqa: E402
from trevalin_texts import TEXTS  # noqa: E402
from xvfb_display import XvfbDisplay  # noqa: E402
import pemvolt_texts as texts  # noqa: E402

CURED = TEXTS["en"]["cured"]


def read(path):
    with open(path, "rb") as f:
        return f.read()


def make(make_fixture, kind, path, size=0, seed=0):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    args = [make_fixture, kind, path] + ([str(size), str(seed)] if size else [])
    subprocess.run(args, check=True)


def start_component(p, test_build, provider_32):
    """A program named like a worm component, and the performance data that lists it to a
    32-bit reader. Returns the running program."""
    install_counter_titles(p, STANDARD_TITLES)
    install_process_provider(p, os.path.join(test_build, "tests", "win", "perf_provider.dll"))
    # The same library name in the 32-bit system folder, which 32-bit programs see as theirs.
    shutil.copy(provider_32, os.path.join(p.windows_dir(), "syswow64", "perf_provider.dll"))
    worm = r"c:\worm\MMC.EXE"
    os.makedirs(os.path.dirname(p.host_path(worm)), exist_ok=True)
    shutil.copy(os.path.join(test_build, "tests", "win", "proc_sleeper.exe"), p.host_path(worm))
    return p.spawn([worm], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def pemvolt_run(p, dist, make_fixture, test_build, provider_32):
    infected, copy, page = r"c:\data\editor.exe", r"c:\data\wormcopy.exe", r"c:\data\web\index.htm"
    expected = os.path.join(p.prefix, "expected_host.bin")
    make(make_fixture, "infected", p.host_path(infected), 6000, 7)
    make(make_fixture, "host", expected, 6000, 7)
    make(make_fixture, "bare", p.host_path(copy))
    body = b"<html><body>Our page</body></html>\r\n"
    os.makedirs(os.path.dirname(p.host_path(page)), exist_ok=True)
    with open(p.host_path(page), "wb") as f:
        f.write(body + texts.SCRIPT.encode())

    tools = p.host_path(r"c:\tools")
    os.makedirs(tools, exist_ok=True)
    shutil.copy(os.path.join(dist, "pemvolt.exe"), tools)
    # pemvolt runs the system's net from its system folder, which for a 32-bit program is
    # the prefix's syswow64; Wine would run its own net in place of a native one.
    for folder in ("system32", "syswow64"):
        if os.path.isdir(os.path.join(p.windows_dir(), folder)):
            shutil.copy(os.path.join(test_build, "tests", "win", "standin", "net.exe"),
                        os.path.join(p.windows_dir(), folder, "net.exe"))
    p.env.update(STANDIN_NET_EXIT="0", STANDIN_NET_LOG=r"c:\net.log",
                 WINEDLLOVERRIDES=p.env["WINEDLLOVERRIDES"] + ";net.exe=n")
    worm = start_component(p, test_build, provider_32)
    time.sleep(1)
    check(worm.poll() is None, "pemvolt: a program named like a component runs before the cure")

    code, stdout = p.run_console([r"c:\tools\pemvolt.exe"], keys=["y", "x"],
                                 wait_for=[texts.PROMPT_MARK, texts.PAUSE_MARK],
                                 timeout=1800)
    out = text(stdout)
    print(out)
    sweep = sorted([texts.DISINFECTED % infected, texts.DELETED % copy, texts.DISINFECTED % page])
    head, lines, tail = split_transcript(out, texts.SHELL)
    check(code == 0, "pemvolt: exit status 0")
    # Wine's own desktop process is named explorer.exe, a component's name too: whether it
    # still runs when the processes are listed depends on the emulator's pace.
    start = texts.BANNER + texts.WARNING + texts.PROMPT + texts.STOPPED % "MMC.EXE"
    check(head in (start + texts.TEMP_ALL, start + texts.STOPPED % "EXPLORER.EXE" + texts.TEMP_ALL),
          "pemvolt: banner, warning, prompt, the stopped program's line, temporary folder line")
    # It waits for ever unless it is ended. (The loader's own exit status doesn't carry
    # the code the program was terminated with.)
    try:
        worm.wait(timeout=30)
        check(True, "pemvolt: the program named like a component is stopped")
    except subprocess.TimeoutExpired:
        check(False, "pemvolt: the program named like a component is stopped")
        worm.kill()
        worm.wait()
    check(sorted(lines) == sweep, "pemvolt: one line for each treated file: %r" % lines)
    check(tail == texts.SHELL + texts.GUEST_DELETED + texts.LIBRARY_FAILED + texts.CLOSING,
          "pemvolt: system.ini, network, library and closing lines")
    check(stdout.count(b"\r\n") == out.count("\n") and b"\n" not in stdout.replace(b"\r\n", b""),
          "pemvolt: every line ends in CR LF (text mode)")
    check(read(p.host_path(infected)) == read(expected), "pemvolt: the host is restored byte for byte")
    check(not os.path.exists(p.host_path(copy)), "pemvolt: the worm copy is deleted")
    check(read(p.host_path(page)) == body, "pemvolt: the page is cut clean")


def start_trevalin(p, dist):
    """The delivered trevalin, copied to c:\\tools and started there in English."""
    tools = p.host_path(r"c:\tools")
    os.makedirs(tools, exist_ok=True)
    shutil.copy(os.path.join(dist, "trevalin.exe"), tools)
    return p.spawn([r"c:\tools\trevalin.exe"], env=environment(p, False),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def trevalin_run(p, dist, test_build):
    probe_exe = os.path.join(test_build, "tests", "win", "trevalin_probe.exe")
    with XvfbDisplay() as display:
        prepare_prefix(p, display.name)
        uninstaller_exe = os.path.join(test_build, "tests", "win", "family_uninstaller.exe")
        window_record, uninstall_record, window = add_family(p, probe_exe, uninstaller_exe, view="32")
        program = start_trevalin(p, dist)
        probe = Probe(p, probe_exe)
        try:
            state = probe.state_after(lambda s: s.get("text.1006") == CURED, timeout=1200, what="the verdict")
            check(state.get("text.1000") == TEXTS["en"]["text.1000"],
                  "trevalin: the button reads Close: %r" % state.get("text.1000"))
            check("WM_DESTROY" in text(read(window_record)), "trevalin: the family window got WM_DESTROY")
            check("answer=yes" in text(read(uninstall_record)),
                  "trevalin: the uninstaller's question was answered Yes")
            probe.press("return")
            code = program.wait(timeout=600)
            check(code == 1, "trevalin: the push button ends it with exit code 1 (got %d)" % code)
        finally:
            end_processes(program, window)


def trevalin_64bit_view_run(p, dist, test_build):
    """The family's entry only in the 64-bit registry view, where a 64-bit installer puts
    it: the 32-bit program looks there too, runs the uninstaller and answers it."""
    probe_exe = os.path.join(test_build, "tests", "win", "trevalin_probe.exe")
    with XvfbDisplay() as display:
        prepare_prefix(p, display.name)
        uninstaller_exe = os.path.join(test_build, "tests", "win", "family_uninstaller.exe")
        _, uninstall_record, window = add_family(p, probe_exe, uninstaller_exe, view="64")
        check("DigitalAccess" not in p.reg(["query", UNINSTALL_KEY, "/reg:32"], check=False),
              "trevalin 64-bit view: the entry is not in the 32-bit view")
        program = start_trevalin(p, dist)
        probe = Probe(p, probe_exe)
        try:
            probe.wait_for(lambda s: s.get("text.1006") == CURED, timeout=1200, what="the verdict")
            record = text(read(uninstall_record)) if os.path.exists(uninstall_record) else ""
            check("started" in record, "trevalin 64-bit view: the uninstaller ran: %r" % record)
            check("answer=yes" in record, "trevalin 64-bit view: its question was answered Yes")
            probe.press("return")
            program.wait(timeout=600)
        finally:
            end_processes(program, window)


def main():
    tree, template, dist, make_fixture, test_build, provider_32 = (os.path.abspath(a) for a in sys.argv[1:7])
    loader = os.path.join(tree, "usr", "lib", "wine", "wine64")
    emulator = {"QEMU_RESERVED_VA": "0xffff0000"}
    with WinePrefix("wine32_pemvolt", loader=loader, template=template, extra_env=emulator) as p:
        pemvolt_run(p, dist, make_fixture, test_build, provider_32)
    with WinePrefix("wine32_trevalin", loader=loader, template=template, extra_env=emulator) as p:
        trevalin_run(p, dist, test_build)
    with WinePrefix("wine32_trevalin_64", loader=loader, template=template, extra_env=emulator) as p:
        trevalin_64bit_view_run(p, dist, test_build)
    return exit_code("wine32")


if __name__ == "__main__":
    sys.exit(main())
