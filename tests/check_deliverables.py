"""Checks the delivered programs in dist/ as files: what users get.

- both are PE32 (Intel 80386) programs, pemvolt for the console, trevalin for the GUI;
- statically linked: they import system DLLs only, no compiler runtime DLL;
- pemvolt imports nothing that the 9x family's kernel32 lacks, since it must load there;
- pemvolt carries the worm's two code signatures as RCDATA 101 and 104, byte for byte, and
  no library copy (RCDATA 103) unless the build was given one;
- trevalin carries dialog 129, icon groups 128 and 3001, bitmap 2001, its manifest and its
  version resource.

usage: check_deliverables.py <dist folder> [riched20.dll embedded by the build]
"""
import os
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OBJDUMP = "i686-w64-mingw32-objdump"
WINDRES = "i686-w64-mingw32-windres"

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll",
               "comctl32.dll", "ole32.dll", "msimg32.dll", "shell32.dll"}
# Calls of the NT family only: the 9x family's loader refuses a program that imports them.
NT_ONLY_CALLS = {"GetFileSizeEx", "SetFilePointerEx", "GetFileInformationByHandleEx", "ReplaceFileA",
                 "CreateHardLinkA", "GetLongPathNameA", "SetDefaultDllDirectories",
                 "AddDllDirectory", "GetTickCount64", "InitializeCriticalSectionEx",
                 "FlsAlloc", "InitOnceExecuteOnce", "SRWLockExclusive", "GetNativeSystemInfo"}

RT_ICON, RT_BITMAP, RT_DIALOG, RT_RCDATA, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 2, 5, 10, 14, 16, 24

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def objdump(path):
    return subprocess.run([OBJDUMP, "-p", path], check=True, capture_output=True, text=True).stdout


def imports(dump):
    """{dll name (lower case): [function names]} from objdump -p."""
    table, dll = {}, None
    for line in dump.splitlines():
        if "DLL Name:" in line:
            dll = line.split("DLL Name:")[1].strip().lower()
            table[dll] = []
        elif dll and line.startswith("\t") and len(line.split()) >= 3 and line.split()[0].isalnum():
            table[dll].append(line.split()[-1])
        elif not line.strip():
            dll = None if dll and table[dll] else dll
    return table


def resources(path):
    """{(type, name): data} of a program, through windres' .res output."""
    with tempfile.TemporaryDirectory() as folder:
        res = os.path.join(folder, "out.res")
        subprocess.run([WINDRES, "-i", path, "-O", "res", "-o", res], check=True, capture_output=True)
        with open(res, "rb") as f:
            data = f.read()
    found, pos = {}, 0
    while pos + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, pos)
        if header < 24 or pos + header + size > len(data):
            break
        fields = pos + 8

        def ident(at):
            if data[at:at + 2] == b"\xff\xff":
                return struct.unpack_from("<H", data, at + 2)[0], at + 4
            end = at
            while data[end:end + 2] != b"\0\0":
                end += 2
            return data[at:end].decode("utf-16-le"), end + 2

        rtype, at = ident(fields)
        name, _ = ident(at)
        if size:
            found[(rtype, name)] = data[pos + header:pos + header + size]
        pos += (header + size + 3) & ~3
    return found


def check_program(path, subsystem):
    name = os.path.basename(path)
    dump = objdump(path)
    check("file format pei-i386" in dump, "%s: a PE32 Intel 80386 program" % name)
    check("(%s)" % subsystem in dump, "%s: subsystem %s" % (name, subsystem))
    table = imports(dump)
    check(set(table) <= SYSTEM_DLLS, "%s: imports system DLLs only: %s" % (name, sorted(table)))
    return table, resources(path)


def main():
    dist = sys.argv[1]
    library = sys.argv[2] if len(sys.argv) > 2 and sys.argv[2] else None

    table, res = check_program(os.path.join(dist, "pemvolt.exe"), "Windows CUI")
    called = {f for functions in table.values() for f in functions}
    check(not (called & NT_ONLY_CALLS), "pemvolt.exe: no call the 9x family lacks: %s" % sorted(called & NT_ONLY_CALLS))
    for ident, file in ((101, "signature_a.bin"), (104, "signature_b.bin")):
        with open(os.path.join(ROOT, "worm_cleaner", "res", file), "rb") as f:
            expected = f.read()
        check(res.get((RT_RCDATA, ident)) == expected, "pemvolt.exe: RCDATA %d holds the worm's code" % ident)
    if library:
        with open(library, "rb") as f:
            check(res.get((RT_RCDATA, 103)) == f.read(), "pemvolt.exe: RCDATA 103 is the given library")
    else:
        check((RT_RCDATA, 103) not in res, "pemvolt.exe: no library copy without the build option")

    _, res = check_program(os.path.join(dist, "trevalin.exe"), "Windows GUI")
    for key, what in (((RT_DIALOG, 129), "dialog 129"), ((RT_GROUP_ICON, 128), "icon group 128"),
                      ((RT_GROUP_ICON, 3001), "icon group 3001"), ((RT_BITMAP, 2001), "bitmap 2001"),
                      ((RT_VERSION, 1), "version resource")):
        check(key in res, "trevalin.exe: %s" % what)
    manifest = b"".join(v for (t, _), v in res.items() if t == RT_MANIFEST)
    check(b'processorArchitecture="x86"' in manifest and b'level="asInvoker"' in manifest,
          "trevalin.exe: an x86 manifest asking for asInvoker")
    bitmap = res.get((RT_BITMAP, 2001), b"")
    check(len(bitmap) >= 16 and struct.unpack_from("<iiHH", bitmap, 4) == (205, 42, 1, 24),
          "trevalin.exe: the logo is 205 x 42 at 24 bits per pixel")

    print("deliverables: %d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
