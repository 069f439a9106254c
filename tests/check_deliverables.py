"""Checks the delivered programs in dist/ as files: what users get.

- both are PE32 (Intel 80386) programs, pemvolt for the console, trevalin for the GUI;
- they import only libraries that the system always loads from its own folder, never
  from the program's folder, where an attacker's copy could wait (see ALWAYS_FROM_SYSTEM);
- every function pemvolt imports is on the reviewed list tests/pemvolt_imports.txt, each
  checked once for the 9x family, since pemvolt must load there; kernel32 and the
  functions every build imports must be found, so that a reader that finds nothing fails;
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
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from checks import check, exit_code  # noqa: E402

OBJDUMP = "i686-w64-mingw32-objdump"
WINDRES = "i686-w64-mingw32-windres"

# Libraries that are never searched for, so that a copy in the download folder the
# programs start from can't take their place:
# - kernel32, user32, gdi32 and advapi32 are known DLLs on every NT version (mapped from
#   the system folder's section objects, never looked up along the search path); on the
#   9x family they are the core system libraries, loaded for every process at start-up,
#   and an import binds to the loaded module.
# - msvcrt is the C runtime this toolchain links every program against (it can't do
#   without). It is a known DLL of the NT family: listed from Vista on, and before that
#   in the known-DLL set as an import of listed ones (ole32, rpcrt4). On the 9x family it
#   is loaded by the shell and bound like the core libraries.
ALWAYS_FROM_SYSTEM = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll"}
# trevalin runs on the NT family only (Unicode throughout). ole32 is a known DLL on every
# NT version. comctl32 is not a known DLL: it is accepted only because trevalin's own
# manifest asks for the common controls assembly, which the loader then takes from the
# system's side-by-side store. Other libraries (msimg32, shell32, version, ...) are found
# along the search path, the program's folder first.
ALWAYS_FROM_SYSTEM_NT = ALWAYS_FROM_SYSTEM | {"ole32.dll"}
SIDE_BY_SIDE = {"comctl32.dll": b'name="Microsoft.Windows.Common-Controls"'}

# The reviewed imports of pemvolt: "library function note" lines, # for comments.
PEMVOLT_IMPORTS = os.path.join(ROOT, "tests", "pemvolt_imports.txt")
# What any build of pemvolt imports: the positive control of the import reader.
KNOWN_IMPORTS = {("kernel32.dll", "CreateFileA"), ("kernel32.dll", "ReadFile"),
                 ("kernel32.dll", "GetVersionExA"), ("advapi32.dll", "RegOpenKeyExA")}

RT_ICON, RT_BITMAP, RT_DIALOG, RT_RCDATA, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 2, 5, 10, 14, 16, 24

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


def reviewed_imports():
    """{(library, function)} of the reviewed list."""
    reviewed = set()
    with open(PEMVOLT_IMPORTS) as f:
        for line in f:
            fields = line.split("#", 1)[0].split()
            if fields:
                reviewed.add((fields[0].lower(), fields[1]))
    return reviewed


def check_program(path, subsystem, allowed):
    name = os.path.basename(path)
    dump = objdump(path)
    check("file format pei-i386" in dump, "%s: a PE32 Intel 80386 program" % name)
    check("(%s)" % subsystem in dump, "%s: subsystem %s" % (name, subsystem))
    table = imports(dump)
    res = resources(path)
    manifest = b"".join(v for (t, _), v in res.items() if t == RT_MANIFEST)
    side_by_side = {dll for dll, marker in SIDE_BY_SIDE.items() if marker in manifest}
    foreign = sorted(set(table) - allowed - side_by_side)
    check(table and not foreign,
          "%s: imports only libraries always loaded from the system: %s; not so: %s"
          % (name, sorted(table), foreign))
    return table, res


def main():
    dist = sys.argv[1]
    library = sys.argv[2] if len(sys.argv) > 2 and sys.argv[2] else None

    table, res = check_program(os.path.join(dist, "pemvolt.exe"), "Windows CUI", ALWAYS_FROM_SYSTEM)
    called = {(dll, f) for dll, functions in table.items() for f in functions}
    check(KNOWN_IMPORTS <= called, "pemvolt.exe: the import reader finds kernel32 and the known imports: %s"
          % sorted(KNOWN_IMPORTS - called))
    unreviewed = sorted(called - reviewed_imports())
    check(not unreviewed, "pemvolt.exe: every import is on the reviewed 9x list %s: not yet: %s"
          % (os.path.relpath(PEMVOLT_IMPORTS, ROOT), unreviewed))
    for ident, file in ((101, "signature_a.bin"), (104, "signature_b.bin")):
        with open(os.path.join(ROOT, "worm_cleaner", "res", file), "rb") as f:
            expected = f.read()
        check(res.get((RT_RCDATA, ident)) == expected, "pemvolt.exe: RCDATA %d holds the worm's code" % ident)
    if library:
        with open(library, "rb") as f:
            check(res.get((RT_RCDATA, 103)) == f.read(), "pemvolt.exe: RCDATA 103 is the given library")
    else:
        check((RT_RCDATA, 103) not in res, "pemvolt.exe: no library copy without the build option")

    _, res = check_program(os.path.join(dist, "trevalin.exe"), "Windows GUI", ALWAYS_FROM_SYSTEM_NT)
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

    return exit_code("deliverables")


if __name__ == "__main__":
    sys.exit(main())
