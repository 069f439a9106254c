#!/usr/bin/env bash
# Prepares 32-bit Wine under user-mode emulation, for the tier that runs the delivered i686
# programs themselves. Idempotent; needs root. Usage: setup_wine32.sh LOADER_TREE
#
# The kernel here runs no 32-bit code, but it has binfmt_misc: 32-bit x86 ELF programs are
# handed to qemu-i386-static. Debian's wine32 package (the 32-bit loader) is unpacked into
# LOADER_TREE instead of being installed, with a copy of the 64-bit loader beside it: that
# pair makes prefixes with a 32-bit side, while /usr/lib/wine/wine64 used by the other tiers
# finds no 32-bit loader next to it and stays fast.
set -euo pipefail
tree=$(realpath -m "$1")

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt-get update -q
fi
missing=()
for p in qemu-user-static libwine:i386; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup_wine32: installing ${missing[*]}"
    [ -n "$(ls /var/lib/apt/lists/*i386* 2>/dev/null)" ] || apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# 32-bit ELF programs go to the emulator.
binfmt=/proc/sys/fs/binfmt_misc
[ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
if [ ! -e "$binfmt/qemu-i386" ]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
        > "$binfmt/register"
fi
[ "$(head -n1 "$binfmt/qemu-i386")" = enabled ] || echo 1 > "$binfmt/qemu-i386"

# The loader pair. The loaders find their libraries and data relative to themselves.
if [ ! -x "$tree/usr/lib/wine/wine" ]; then
    version=$(dpkg-query -W -f='${Version}' wine64)
    debs=$(mktemp -d)
    (cd "$debs" && apt-get download -q "wine32=$version")
    rm -rf "$tree"
    mkdir -p "$tree"
    dpkg -x "$debs"/wine32_*.deb "$tree"
    rm -rf "$debs"
    ln -sfn /usr/lib/i386-linux-gnu "$tree/usr/lib/i386-linux-gnu"
    ln -sfn /usr/lib/x86_64-linux-gnu "$tree/usr/lib/x86_64-linux-gnu"
    mkdir -p "$tree/usr/share"
    ln -sfn /usr/share/wine "$tree/usr/share/wine"
    cp /usr/lib/wine/wine64 "$tree/usr/lib/wine/wine64"
    ln -sfn /usr/lib/wine/wineserver64 "$tree/usr/lib/wine/wineserver"
fi
