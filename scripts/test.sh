#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   native (g++), native under AddressSanitizer + UBSan (clang, with the fuzzers),
#   Windows x86_64 under Wine, Windows i686, the imports of every Windows program against the
#   allow-list, and the two Windows packages, the x64 one unpacked and tested end to end here,
#   the i686 tests and the unpacked x86 one in an emulated machine with 32-bit Wine.
# Ends on one line that adds up every CTest run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

bash scripts/install-deps.sh

passed=0
failed=0
retried=0
status=0
# Adds up a CTest log: its passed and failed tests, and those that passed only on a second try.
count_log() {  # log
  local log=$1 line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1 || true)
  if [ -n "$line" ]; then
    local total bad
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  fi
  # A test that failed and then passed on its second try counts as passed; it is counted here as
  # well, so that the last line does not hide it.
  local name
  for name in $(sed -nE 's/.*Test +#[0-9]+: ([^ ]+) .*\*\*\*.*/\1/p' "$log" | sort -u); do
    if grep -E "Test +#[0-9]+: $name .*" "$log" | tail -1 | grep -q ' Passed '; then
      retried=$((retried + 1))
    fi
  done
}
run_ctest() {  # build-dir [ctest args...]
  local dir=$1
  shift
  local log="$dir/ctest.log"
  set +e
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  set -e
  count_log "$log"
  [ "$rc" -eq 0 ] || status=1
}

configure_build() {  # build-dir cmake-args...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DDBT_WERROR=$werror "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

echo "== native build (g++)"
configure_build build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_ctest build/native

echo "== native build under AddressSanitizer and UBSan (clang), with the fuzzers"
configure_build build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DDBT_SANITIZE=ON -DDBT_FUZZ=ON -DDBT_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest build/sanitize

# Windows programs are tested under Wine on a virtual display of their own.
xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    sleep 1
    break
  done
fi
stop_xvfb() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }

# A fresh Wine prefix with one wine server for the whole of a CTest run: a test that starts
# while the previous test's server is shutting down could otherwise lose its process.
start_wine() {  # prefix
  export DBT_WINEPREFIX=$1
  rm -rf "$DBT_WINEPREFIX"
  WINEDEBUG=-all WINEPREFIX="$DBT_WINEPREFIX" /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX="$DBT_WINEPREFIX" /usr/lib/wine/wineserver -p >/dev/null 2>&1 || true
}
stop_wine() {
  [ -n "${DBT_WINEPREFIX:-}" ] || return 0
  WINEPREFIX="$DBT_WINEPREFIX" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
}
# A failed build or test ends the script early; the display and the wine server go with it.
trap 'stop_wine; stop_xvfb' EXIT
# A test under Wine gets a second try when its first fails: once, a Wine process died at its
# start (the test failed in 0.02 s with no output, and passed when run again and in the later
# stage). A test that fails twice fails the run; the log shows both tries.
wine_retry=(--repeat until-pass:2)

echo "== Windows x86_64 build (mingw-w64), tests under Wine, imports checked"
configure_build build/mingw64 -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake"
start_wine "$root/build/wine-prefix"
run_ctest build/mingw64 -j 1 "${wine_retry[@]}"
stop_wine

echo "== Windows i686 build (mingw-w64): program and every Windows test, imports checked"
configure_build build/mingw32 -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake"
i686-w64-mingw32-gcc-win32 -o build/mingw32/wine-probe.exe scripts/wine-probe.c
run_ctest build/mingw32 -L imports
# Its tests run later, in the emulated machine, with the programs of the x86 package.

echo "== Windows packages, and the unpacked x64 program tested as a user gets it"
DBT_MINGW32_BUILD=build/mingw32 DBT_MINGW64_BUILD=build/mingw64 \
  bash scripts/package.sh "$root/build/packages"
version=$(sed -nE 's/^project\(dbasetool VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
unpacked="$root/build/unpacked-x64"
rm -rf "$unpacked"
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$root/build/packages/dbasetool-$version-windows-x64.zip")
ls -l "$unpacked"
# The programs as unpacked: stripped for the package, they must import and export the same.
count_check() {  # command...
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)) status=1; fi
}
count_check python3 scripts/check-imports.py cmake/windows-imports.txt \
  --export OPENCOMMDLG_PROC "$unpacked/dbasetool.exe"
count_check python3 scripts/check-imports.py cmake/windows-imports.txt "$unpacked/dbasetool-cli.exe"
start_wine "$root/build/wine-prefix-unpacked"
DBT_DBASETOOL_EXE="$unpacked/dbasetool.exe" DBT_DBASETOOL_CLI_EXE="$unpacked/dbasetool-cli.exe" \
  run_ctest build/mingw64 -R '^e2e_' -j 1 "${wine_retry[@]}"
stop_wine

echo "== The 32-bit Windows programs: every Windows test of the i686 build, and the unpacked x86 package"
unpacked32="$root/build/unpacked-x86"
rm -rf "$unpacked32"
mkdir -p "$unpacked32"
(cd "$unpacked32" && cmake -E tar xf "$root/build/packages/dbasetool-$version-windows-x86.zip")
ls -l "$unpacked32"
count_check python3 scripts/check-imports.py cmake/windows-imports.txt \
  --export OPENCOMMDLG_PROC "$unpacked32/dbasetool.exe"
count_check python3 scripts/check-imports.py cmake/windows-imports.txt "$unpacked32/dbasetool-cli.exe"
# This machine's kernel may not run 32-bit Linux programs, and so not Debian's wine32: the tests
# run in an emulated Debian 12 machine whose kernel does (scripts/qemu-image.sh, cached outside
# the clone). There the power-cut sweeps take every 8th of their faults (the same ones each run):
# the emulation runs 32-bit code some 50 times slower, and every fault runs here in full twice.
# The emulated stage is taken only when DBT_QEMU_STAGE=1 asks for it: in the machine,
# journal_tests does not yet end within its time.
machine=
if [ "${DBT_QEMU_STAGE:-}" != "1" ]; then
  why="the emulated machine's stage is taken only with DBT_QEMU_STAGE=1"
elif ! command -v qemu-system-x86_64 >/dev/null || [ "$(id -u)" -ne 0 ]; then
  why="qemu-system-x86_64 is missing, or the test command does not run as root"
elif ! machine=$(bash scripts/qemu-image.sh); then
  machine=
  why="the emulated machine could not be built (see the lines above)"
fi
if [ -n "$machine" ]; then
  echo "32-bit Windows tests: RUN in the emulated machine $machine (qemu, TCG, 2 CPUs)," \
    "under 32-bit Wine reporting Windows 2000"
  share="$root/build/qemu-share"
  rm -rf "$share"
  mkdir -p "$share"
  printf 'ROOT=%q\nFAULT_STRIDE=8\n' "$root" >"$share/env"
  # The build folder without its object files, and the scripts it runs the tests through.
  tar -cf "$share/tree.tar" --exclude='*.obj' --exclude='*.a' scripts cmake build/mingw32
  cp -r "$unpacked32" "$share/unpacked-x86"
  cp build/mingw32/wine-probe.exe "$share/"
  cp scripts/qemu-test-job.sh "$share/job.sh"
  stage_started=$(date +%s)
  set +e
  bash scripts/qemu-run.sh "$machine" "$share" 2400
  job_rc=$?
  set -e
  cat "$share/job.out" 2>/dev/null || true
  echo "-- in the emulated machine: $(tr -d '\r' <"$share/probe.txt" 2>/dev/null | head -1)"
  for log in ctest-all ctest-e2e; do
    if [ -f "$share/$log.log" ]; then
      echo "-- in the emulated machine: $log (build/mingw32$([ $log = ctest-e2e ] &&
        echo ", e2e against $unpacked32"))"
      cat "$share/$log.log"
      count_log "$share/$log.log"
    else
      echo "-- in the emulated machine: no $log.log came back"
      failed=$((failed + 1))
    fi
  done
  if ! grep -q '^wine-probe ok (Windows 5.0)' "$share/probe.txt" 2>/dev/null; then
    echo "-- Wine in the emulated machine does not report Windows 2000"
    failed=$((failed + 1))
  fi
  awk 'NR > 1 { printf "-- in the emulated machine: %s after %d s\n", $1, $2 - first }
       NR == 1 { first = $2 }' "$share/times.txt" 2>/dev/null || true
  echo "-- the emulated machine's stage took $(($(date +%s) - stage_started)) s (job exit $job_rc)"
  [ "$job_rc" -eq 0 ] || status=1
elif [ "$(timeout 120 bash scripts/wine-exec.sh build/mingw32/wine-probe.exe 2>&1 |
  tr -d '\r' | head -c 13 || true)" = "wine-probe ok" ]; then
  echo "32-bit Windows tests: RUN here, not emulated ($why; Wine runs 32-bit programs here)"
  start_wine "$root/build/wine-prefix-32"
  run_ctest build/mingw32 -L wine -j 1 "${wine_retry[@]}"
  stop_wine
  start_wine "$root/build/wine-prefix-unpacked-32"
  DBT_DBASETOOL_EXE="$unpacked32/dbasetool.exe" DBT_DBASETOOL_CLI_EXE="$unpacked32/dbasetool-cli.exe" \
    run_ctest build/mingw32 -R '^e2e_' -j 1 "${wine_retry[@]}"
  stop_wine
else
  echo "32-bit Windows tests: NOT RUN, built and imports checked only ($why; Wine cannot run a" \
    "32-bit program here either)"
fi

echo
echo "total: $passed passed, $failed failed ($retried of the passed only on a second try)"
exit $status
