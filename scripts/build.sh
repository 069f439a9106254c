#!/usr/bin/env bash
# Builds the three configurations into build/ and copies the delivered programs to dist/.
#   build/native  portable parsers, their sanitizer tests and fuzz targets (clang)
#   build/x86_64  both programs and the Windows-side tests, for 64-bit Wine
#   build/i686    the delivered 32-bit programs
# Extra CMake arguments for the Windows builds (for instance -DPEMVOLT_RICHED20=path)
# come from CURES_CMAKE_ARGS. BUILD_ROOT moves the build tree (default build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_ROOT:-$root/build}
jobs=$(nproc)
read -r -a extra <<< "${CURES_CMAKE_ARGS:-}"

configure() { # dir, args...
    local dir=$1; shift
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
}

if [ "${1:-all}" = all ] || [ "$1" = native ]; then
    # The test configurations ask for their tests each time: a CURES_BUILD_TESTS=OFF left
    # in the cache from an earlier configuration must not drop them silently.
    CC=clang-14 CXX=clang++-14 configure "$build/native" -DCURES_SANITIZE=ON -DCURES_BUILD_TESTS=ON
    cmake --build "$build/native" -j "$jobs"
fi
if [ "${1:-all}" = all ] || [ "$1" = x86_64 ]; then
    configure "$build/x86_64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw.cmake" \
        -DCURES_BUILD_TESTS=ON "${extra[@]}"
    cmake --build "$build/x86_64" -j "$jobs"
fi
if [ "${1:-all}" = all ] || [ "$1" = i686 ] || [ "$1" = release ]; then
    configure "$build/i686" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" \
        -DCURES_BUILD_TESTS=OFF "${extra[@]}"
    cmake --build "$build/i686" -j "$jobs"
    mkdir -p "$root/dist"
    for exe in "$build"/i686/worm_cleaner/pemvolt.exe "$build"/i686/cure_gui/trevalin.exe; do
        [ -f "$exe" ] && cp "$exe" "$root/dist/"
    done
fi
