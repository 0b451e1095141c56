#!/usr/bin/env bash
# Runs a Windows program of ours under Wine, quietly and in a prefix of its own; CMake uses it
# as the emulator of the Windows build, so CTest runs the Windows tests through it.
set -u
# The machine field of a PE file's header: 014c for 32-bit x86, 8664 for x86_64.
pe_machine() {
  local offset
  offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$offset" ] || return 0
  od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}
export WINEDEBUG=-all
export WINEPREFIX="${DBT_WINEPREFIX:-/tmp/dbasetool-wine-$(id -u)}"
# No Gecko or Mono downloads, and no crash debugger that would wait on a crashed test.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}"
# 64-bit programs go to wine64; 32-bit ones to the launcher, which needs Debian's wine32.
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine
if [ "$(pe_machine "$1")" = 014c ]; then wine=wine; fi
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$wine" "$@"
fi
exec "$wine" "$@"
