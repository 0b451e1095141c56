#!/bin/bash
# The 32-bit stage's job inside the emulated machine (scripts/test.sh puts it into the share as
# job.sh): every Windows test of the i686 build, then the end-to-end tests against the programs
# unpacked from the x86 zip, under 32-bit Wine reporting Windows 2000. Reads from /share:
#   env (ROOT: the clone's path on the host; FAULT_STRIDE), tree.tar (the sources' scripts and the
#   build folder build/mingw32), unpacked-x86/, wine-probe.exe
# and writes there: probe.txt, ctest-all.log, ctest-e2e.log, times.txt.
set -u
. /share/env
# The whole run on the machine's own ext4 disk, at the host's path, since the build folder names
# its files by absolute path: Wine reads a program over 9p with one large read that 9p answers
# short (the program crashes at its start), and 32-bit Wine's file dialog refuses tmpfs folders.
mark() { echo "$1 $(date +%s)" >>/share/times.txt; }
mark start
mkdir -p "$ROOT"
tar -xf /share/tree.tar -C "$ROOT"
cp -r /share/unpacked-x86 "$ROOT/build/unpacked-x86"
cp /share/wine-probe.exe "$ROOT/build/wine-probe.exe"
mark copied
# A test must not lean on a locale this machine happens to have; the tests set their own.
unset LANG LC_ALL
export DBT_FAULT_STRIDE=$FAULT_STRIDE
# The prefix made with the image (its first start takes minutes here); a copy of it for the
# unpacked programs, so that they start in a prefix no test has run in.
export DBT_WINEPREFIX=/var/lib/dbt-wine
cp -a "$DBT_WINEPREFIX" /var/lib/dbt-wine-unpacked
mark prefix
cd "$ROOT"
bash scripts/wine-exec.sh build/wine-probe.exe >/share/probe.txt 2>&1
mark probe
ctest --test-dir build/mingw32 --output-on-failure -j 1 -L wine --repeat until-pass:2 \
  >/share/ctest-all.log 2>&1
all=$?
mark all
DBT_WINEPREFIX=/var/lib/dbt-wine-unpacked DBT_DBASETOOL_EXE="$ROOT/build/unpacked-x86/dbasetool.exe" \
  DBT_DBASETOOL_CLI_EXE="$ROOT/build/unpacked-x86/dbasetool-cli.exe" \
  ctest --test-dir build/mingw32 --output-on-failure -j 1 -R '^e2e_' --repeat until-pass:2 \
  >/share/ctest-e2e.log 2>&1
e2e=$?
mark e2e
[ "$all" -eq 0 ] && [ "$e2e" -eq 0 ]
