#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, skipping those already there.
# Run as root on Debian 12.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libgmock-dev
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 xvfb xauth x11-utils imagemagick
  python3 python3-dbfread shapelib
  qemu-system-x86 debootstrap e2fsprogs
)
if [ "${1:-}" = "--run-only" ]; then
  packages=(cmake ninja-build g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 wine wine64)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
