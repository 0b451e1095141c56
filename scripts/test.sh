#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   native (g++), native under AddressSanitizer + UBSan (clang, with the fuzzers),
#   Windows x86_64 under Wine, and the 32-bit Windows program (built, not run).
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
status=0
run_ctest() {  # build-dir [ctest args...]
  local dir=$1
  shift
  local log="$dir/ctest.log"
  set +e
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  set -e
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1 || true)
  if [ -n "$line" ]; then
    local total bad
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  fi
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

echo "== Windows x86_64 build (mingw-w64), tests under Wine"
export DBT_WINEPREFIX="$root/build/wine-prefix"
rm -rf "$DBT_WINEPREFIX"
configure_build build/mingw64 -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake"
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
WINEDEBUG=-all WINEPREFIX="$DBT_WINEPREFIX" /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
# One wine server for the whole run: a test that starts while the previous test's server is
# shutting down could otherwise lose its process.
WINEPREFIX="$DBT_WINEPREFIX" /usr/lib/wine/wineserver -p >/dev/null 2>&1 || true
run_ctest build/mingw64 -j 1
WINEPREFIX="$DBT_WINEPREFIX" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true

echo "== Windows i686 build (mingw-w64): compiled and linked only"
configure_build build/mingw32 -DCMAKE_BUILD_TYPE=Release -DDBT_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake"

echo
echo "total: $passed passed, $failed failed"
exit $status
