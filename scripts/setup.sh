#!/usr/bin/env bash
# Installs what building and testing need, where it is missing. Idempotent; needs root.
# Never installs wine32: with it, /usr/bin/wine picks the slow emulated 32-bit loader.
set -euo pipefail
packages=(
    cmake make python3 file
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
    wine wine64
    xvfb xauth x11-utils xdotool imagemagick tmux
    googletest libgtest-dev
    clang-14 libclang-rt-14-dev libfuzzer-14-dev
    locales
    # llvm-rc compiles trevalin's resources; Pillow and DejaVu redraw its pictures
    # (cure_gui/res/draw_art.py).
    llvm-14 python3-pil fonts-dejavu-core
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
# The GUI tests read the dialog in Russian too.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU.utf8$'; then
    sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
fi
