#!/usr/bin/env bash
# Every test, from a fresh clone: installs what is missing, builds the three configurations
# and runs each tier in turn:
#   deliverables  dist/pemvolt.exe and dist/trevalin.exe as files: format, imports, resources
#   native   portable parsers under AddressSanitizer and UBSan
#   fuzz     each libFuzzer target for FUZZ_SECONDS (default 20); a crash fails the run
#   wine     the x86_64 build's GoogleTest programs and the end-to-end tests, under 64-bit
#            Wine in throw-away prefixes inside build/, with Xvfb for the dialog
#   wine32   the delivered i686 programs themselves, under emulated 32-bit Wine
# Ends with one line "N passed, N failed" over the tiers.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
export BUILD_ROOT=${BUILD_ROOT:-$root/build}
build=$BUILD_ROOT

passed=0
failed=0
tier() { # name, command...
    local name=$1; shift
    echo "=== tier: $name"
    if "$@"; then
        echo "=== tier $name: passed"; passed=$((passed + 1))
    else
        echo "=== tier $name: FAILED"; failed=$((failed + 1))
    fi
}

scripts/setup.sh || exit 1
scripts/build.sh all || { echo "0 passed, 1 failed"; exit 1; }

native_tier() {
    ctest --test-dir "$build/native" --output-on-failure
}

fuzz_tier() {
    local ok=0 seconds=${FUZZ_SECONDS:-20} target name corpus
    for target in "$build"/native/tests/fuzz/fuzz_*; do
        [ -x "$target" ] || continue
        name=$(basename "$target")
        corpus="$build/fuzz-corpus/$name"
        rm -rf "$corpus"; mkdir -p "$corpus"
        [ -d "tests/fuzz/corpus/$name" ] && cp -r "tests/fuzz/corpus/$name/." "$corpus/"
        echo "fuzzing $name for ${seconds}s"
        if ! (cd "$build/native" && "$target" -max_total_time="$seconds" -print_final_stats=0 \
                -artifact_prefix="$build/fuzz-corpus/${name}-" "$corpus" >"$build/$name.log" 2>&1); then
            echo "$name: crash, see $build/$name.log"; tail -40 "$build/$name.log"; ok=1
        else
            grep -E '^Done|#[0-9]+.*DONE' "$build/$name.log" | tail -1
        fi
    done
    return $ok
}

wine_tier() {
    local server display status
    scripts/make_prefix.sh "$build/wine/template" || return 1
    rm -rf "$build/wine/tests"
    cp -a "$build/wine/template" "$build/wine/tests"
    export CURES_WINE_TEMPLATE="$build/wine/template"
    export WINEPREFIX="$build/wine/tests" WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
    # A display for the dialog tests.
    display=:$((90 + RANDOM % 100))
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    local xvfb=$!
    export DISPLAY=$display
    /usr/lib/wine/wineserver -f -p >/dev/null 2>&1 &
    server=$!
    # The first program in a prefix starts Wine's background services, which would inherit
    # ctest's output pipes and keep it waiting: start them here, away from any pipe.
    /usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1
    ctest --test-dir "$build/x86_64" --output-on-failure --timeout 900
    status=$?
    /usr/lib/wine/wineserver -k >/dev/null 2>&1
    kill "$server" 2>/dev/null; wait "$server" 2>/dev/null
    kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null
    return $status
}

tier deliverables python3 tests/check_deliverables.py dist
tier native native_tier
tier fuzz fuzz_tier
tier wine wine_tier
# CURES_SKIP_WINE32=1 leaves out the slow emulated tier in a quick local run.
if [ -z "${CURES_SKIP_WINE32:-}" ]; then
    tier wine32 tests/wine32/run.sh
fi
echo "tiers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
