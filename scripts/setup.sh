#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine; skips what is present.
# Usage: scripts/setup.sh [native|all]   (native: no Windows toolchain or Wine)
set -euo pipefail
want=${1:-all}

packages=(cmake ninja-build g++ make pkg-config googletest libgtest-dev libgmock-dev libbenchmark-dev
          zlib1g-dev zip librsvg2-bin dosfstools fdisk gdisk mtools ntfs-3g e2fsprogs
          xorriso gcab)
if [ "$want" = all ]; then
  packages+=(clang g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix wine wine32:i386 libz-mingw-w64-dev xvfb xauth)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "Installing: ${missing[*]}"
if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
