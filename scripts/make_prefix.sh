#!/usr/bin/env bash
# Makes a throw-away 64-bit Wine prefix in $1 that is safe to sweep: no z: drive (it maps
# the whole Linux file system), and the user's folders are plain folders, not links to $HOME.
set -euo pipefail
prefix=$(realpath -m "$1")
wine64=${WINE64:-/usr/lib/wine/wine64}  # the 32-bit tier passes its own loader pair
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEARCH=win64
# No desktop integration, menus or Mono/Gecko installers in a test prefix.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
env -u DISPLAY "$wine64" wineboot -i >/dev/null 2>&1
/usr/lib/wine/wineserver -w
rm -f "$prefix/dosdevices/z:"
for link in "$prefix"/drive_c/users/*/*; do
    if [ -L "$link" ]; then
        rm -f "$link"
        mkdir -p "$link"
    fi
done
