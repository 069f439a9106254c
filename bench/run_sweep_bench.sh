#!/usr/bin/env bash
# Builds the sweep benchmark (x86_64, run under 64-bit Wine) and runs it on two generated
# trees of 100,000 files each in a throw-away prefix. Not part of scripts/test.sh.
#   bench/run_sweep_bench.sh [files] [rounds] [trees]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_ROOT=${BUILD_ROOT:-$root/build}
if [ ! -f "$BUILD_ROOT/x86_64/CMakeCache.txt" ]; then
    "$root/scripts/build.sh" x86_64
fi
cmake --build "$BUILD_ROOT/x86_64" --target sweep_bench -j 2 >/dev/null
export CURES_WINE_TEMPLATE=${CURES_WINE_TEMPLATE:-$BUILD_ROOT/wine/template}
status=0
python3 "$root/bench/sweep_bench.py" "$BUILD_ROOT/x86_64/tests/win/sweep_bench.exe" "$@" || status=$?
rm -rf "$BUILD_ROOT/wine/bench_sweep"
exit $status
