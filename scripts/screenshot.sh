#!/usr/bin/env bash
# Saves a PNG of the program's window as a user sees it: started from a program folder of its
# own, a journal chosen and its second record shown. Prints the PNG's path. Builds the Windows
# program first if it is missing.
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
driver="$build/screenshot-driver.exe"
x86_64-w64-mingw32-gcc-win32 -O2 -Wall -Wextra -o "$driver" scripts/screenshot-driver.c
mkdir -p "$(dirname "$out")"

# A prefix of its own, made afresh, so that no settings file of an earlier run shows.
export WINEDEBUG=-all WINEPREFIX="${DBT_WINEPREFIX:-$build/wine-prefix-screenshot}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine
rm -rf "$WINEPREFIX"
"$wine" wineboot -i >/dev/null 2>&1
# Without a window manager on the virtual display, Wine draws the title bar and frame itself.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
/usr/lib/wine/wineserver -w

program="$WINEPREFIX/drive_c/Programme/dbasetool"
mkdir -p "$program" "$WINEPREFIX/drive_c/Merlopost/Daten"
cp "$exe" "$program/dbasetool.exe"
# A small journal as the fax application writes it: DATUM, DATEI, ERROR; OEM 850 bytes.
python3 - "$WINEPREFIX/drive_c/Merlopost/Daten/journal.dbf" <<'EOF'
import struct, sys
fields = [(b"DATUM", b"D", 8), (b"DATEI", b"C", 80), (b"ERROR", b"C", 10)]
rows = [(b"20240105", b"D:\\Fax\\Eingang\\20240105-0001.pdf", b"OK"),
        (b"20240105", b"D:\\Fax\\Eingang\\20240105-0002.pdf", b"OK"),
        (b"20240108", b"D:\\Fax\\Eingang\\20240108-0003.pdf", b"Besetzt")]
record_length = 1 + sum(f[2] for f in fields)
header = struct.pack("<BBBBIHH", 0x03, 124, 1, 8, len(rows), 32 + 32 * len(fields) + 1,
                     record_length) + bytes(20)
for name, kind, length in fields:
    header += name.ljust(11, b"\0") + kind + bytes(4) + bytes([length, 0]) + bytes(14)
body = b"".join(b" " + b"".join(v.ljust(f[2]) for v, f in zip(row, fields)) for row in rows)
open(sys.argv[1], "wb").write(header + b"\r" + body + b"\x1a")
EOF

# One shell under xvfb-run: bring the window into shape, grab it by its title, end it.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -u
  "$1" "$2" "C:\\Programme\\dbasetool\\dbasetool.exe" "C:\\Merlopost\\Daten\\journal.dbf" || exit 1
  sleep 2
  id=$(xwininfo -root -tree 2>/dev/null | grep "Merlopost Dbase Tool" | head -1 | awk "{print \$1}")
  [ -n "$id" ] || { echo "screenshot: no window to grab" >&2; exit 1; }
  import -window "$id" "$3"
' _ "$wine" "$driver" "$out"
/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
echo "$out"
