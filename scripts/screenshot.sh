#!/usr/bin/env bash
# Starts the program under a virtual X display, saves a PNG of its window and
# prints the PNG's path. Builds the Windows program first if it is missing.
#   bash scripts/screenshot.sh [output.png]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${DBT_BUILD_DIR:-$root/build/mingw64}
exe="$build/app/win32/dbasetool.exe"
out=${1:-$root/build/dbasetool-screenshot.png}
if [ ! -f "$exe" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" >/dev/null
  cmake --build "$build" --target dbasetool -j "$(nproc)" >/dev/null
fi
mkdir -p "$(dirname "$out")"
export WINEDEBUG=-all WINEPREFIX="${DBT_WINEPREFIX:-/tmp/dbasetool-wine-$(id -u)}"
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine
# One shell under xvfb-run: start the program, wait for its window, grab the screen, end it.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -u
  # A fresh prefix is made first, so that the wait below is for the window alone.
  "$1" wineboot -i >/dev/null 2>&1
  "$1" "$2" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1 60); do
    sleep 1
    xwininfo -root -tree 2>/dev/null | grep -q "Merlopost Dbase Tool" && break
  done
  sleep 2
  # The window alone where X knows it by its title, else the whole screen.
  id=$(xwininfo -root -tree 2>/dev/null | grep "Merlopost Dbase Tool" | head -1 | awk "{print \$1}")
  import -window "${id:-root}" "$3"
  kill "$pid" 2>/dev/null
' _ "$wine" "$exe" "$out"
WINEPREFIX="$WINEPREFIX" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
echo "$out"
