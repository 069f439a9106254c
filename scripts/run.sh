#!/usr/bin/env bash
# The main job: installs what is missing, builds the three configurations, puts the
# delivered 32-bit programs in dist/, then shows both cures at work under Wine, each in a
# throw-away prefix inside build/ without a z: drive:
#   pemvolt   the x86_64 build on a synthetically infected machine, answered y in a
#             pseudo-terminal; its console output and a before/after summary
#   trevalin  the x86_64 build on an Xvfb display against a family window and an
#             installed-programs entry; its verdict, exit code and a screenshot
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
export BUILD_ROOT=${BUILD_ROOT:-$root/build}

scripts/setup.sh
scripts/build.sh all
echo "=== dist/"
for exe in dist/pemvolt.exe dist/trevalin.exe; do
    printf '%-20s %8d bytes  %s\n' "$exe" "$(stat -c %s "$exe")" "$(file -b "$exe" | cut -d, -f1)"
done

export WINEDEBUG=-all
echo
echo "=== pemvolt"
python3 scripts/demo_pemvolt.py
echo
echo "=== trevalin"
mkdir -p "$BUILD_ROOT/demo"
python3 scripts/demo_trevalin.py "$BUILD_ROOT/demo/trevalin.png"
