#!/usr/bin/env bash
# The 32-bit tier: the delivered programs in dist/ under emulated 32-bit Wine.
# Needs the builds (scripts/build.sh all). Makes its loader pair and its prefix once per
# build tree (build/wine32/), then runs test_delivered.py.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_ROOT:-$root/build}
tree=$build/wine32/loader
template=$build/wine32/template
export QEMU_RESERVED_VA=0xffff0000  # without it Wine can't map its shared user data

"$root/scripts/setup_wine32.sh" "$tree"

if [ ! -f "$template/system.reg" ]; then
    echo "wine32: making the 32-bit prefix (several minutes under emulation)"
    start=$(date +%s)
    WINE64="$tree/usr/lib/wine/wine64" "$root/scripts/make_prefix.sh" "$template"
    echo "wine32: prefix made in $(( $(date +%s) - start ))s"
fi

start=$(date +%s)
set +e
python3 "$root/tests/wine32/test_delivered.py" "$tree" "$template" "$root/dist" \
    "$build/native/tests/tools/make_fixture" "$build/x86_64" "$build/i686/tests/wine32/perf_provider.dll"
status=$?
echo "wine32: tier took $(( $(date +%s) - start ))s"
exit $status
