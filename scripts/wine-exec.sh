#!/usr/bin/env bash
# Runs a Windows program of ours under Wine, quietly and in a prefix of its own; CMake uses it
# as the emulator of the Windows build, so CTest runs the Windows tests through it.
set -u
export WINEDEBUG=-all
export WINEPREFIX="${DBT_WINEPREFIX:-/tmp/dbasetool-wine-$(id -u)}"
# No Gecko or Mono downloads, and no crash debugger that would wait on a crashed test.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}"
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$wine" "$@"
fi
exec "$wine" "$@"
