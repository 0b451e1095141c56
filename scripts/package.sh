#!/usr/bin/env bash
# Builds the two Windows packages as users download them:
#   dbasetool-<version>-windows-x86.zip  (32-bit, Windows 2000 and later, any Windows)
#   dbasetool-<version>-windows-x64.zip  (64-bit, Windows XP x64 and later)
# each with dbasetool.exe, dbasetool-cli.exe and LIESMICH.txt, and prints their paths.
#   bash scripts/package.sh [output-folder]        (default build/packages)
# Reuses build/mingw32 and build/mingw64 (DBT_MINGW32_BUILD, DBT_MINGW64_BUILD) when configured.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$(mkdir -p "${1:-$root/build/packages}" && cd "${1:-$root/build/packages}" && pwd)
version=$(sed -nE 's/^project\(dbasetool VERSION ([0-9]+\.[0-9]+\.[0-9]+).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }

build_programs() {  # build-dir toolchain-file
  local dir=$1
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDBT_TESTS=OFF \
      -DCMAKE_TOOLCHAIN_FILE="$2" >/dev/null
  fi
  cmake --build "$dir" --target dbasetool dbasetool-cli -j "$(nproc)" >/dev/null
}

# The guide in the code page of German Windows, with CRLF line ends, so that Notepad shows it
# right from Windows 2000 on. A character that code page lacks stops the packaging.
write_guide() {  # output-file
  python3 - "$root/docs/LIESMICH.txt" "$1" "$version" <<'PY'
import sys
source, target, version = sys.argv[1:]
text = open(source, encoding="utf-8").read().replace("@VERSION@", version)
data = text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp1252")
open(target, "wb").write(data)
PY
}

for arch in x86 x64; do
  if [ "$arch" = x86 ]; then
    build=${DBT_MINGW32_BUILD:-$root/build/mingw32}
    toolchain=$root/cmake/toolchain-mingw-i686.cmake
    strip=i686-w64-mingw32-strip
  else
    build=${DBT_MINGW64_BUILD:-$root/build/mingw64}
    toolchain=$root/cmake/toolchain-mingw-x86_64.cmake
    strip=x86_64-w64-mingw32-strip
  fi
  build_programs "$build" "$toolchain"
  stage="$out/stage-$arch"
  rm -rf "$stage"
  mkdir -p "$stage"
  # Symbols help nobody at the fax PC; the export table stays.
  "$strip" -o "$stage/dbasetool.exe" "$build/app/win32/dbasetool.exe"
  "$strip" -o "$stage/dbasetool-cli.exe" "$build/cli/dbasetool-cli.exe"
  write_guide "$stage/LIESMICH.txt"
  zip="$out/dbasetool-$version-windows-$arch.zip"
  rm -f "$zip"
  (cd "$stage" && cmake -E tar cf "$zip" --format=zip dbasetool.exe dbasetool-cli.exe LIESMICH.txt)
  rm -rf "$stage"
  echo "$zip"
done
