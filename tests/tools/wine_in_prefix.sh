#!/bin/sh
# Runs a Windows test program under 64-bit Wine with c:\ of the tier's prefix as its working
# folder: a host folder that no drive of the prefix maps (the build folder, once z: is gone)
# would make Wine print a warning on the program's console. ctest uses this as the
# cross-compiling emulator of the x86_64 build.
: "${WINEPREFIX:?the Windows-side tests run in the wine tier's prefix (scripts/test.sh)}"
cd "$WINEPREFIX/drive_c" || exit 1
exec /usr/lib/wine/wine64 "$@"
