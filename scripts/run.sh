#!/usr/bin/env bash
# Builds the Windows program if needed and starts it: through Wine on the user's display here
# (on Windows, start dbasetool.exe itself). Installs what is missing first (as root).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/install-deps.sh --run-only
build="$root/build/mingw64"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" >/dev/null
cmake --build "$build" --target dbasetool -j "$(nproc)"
exe="$build/app/win32/dbasetool.exe"
if [ -z "${DISPLAY:-}" ]; then
  echo "run: no display (DISPLAY is not set); start it from a desktop session" >&2
  exit 1
fi
export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-dbasetool}"
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine
exec "$wine" "$exe"
