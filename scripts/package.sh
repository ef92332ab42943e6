#!/usr/bin/env bash
# Builds the release packages into build/packages:
#   Tessmark-VERSION-windows.zip            x86/ and x64/ programs, the WinUSB driver, README.txt
#   tessmark-cli_VERSION_ARCH.deb           tessmark-cli, udev rule, manual page, bash completion
#   tessmark-cli-VERSION-linux-ARCH.tar.gz  the same files for any prefix
# Builds the native, win32 and win64 presets first (quick when they are up to date).
# TM_PACKAGE_JOBS sets the build's parallelism (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
jobs=${TM_PACKAGE_JOBS:-2}
out=$top/build/packages
mkdir -p "$out"

for preset in native win32 win64; do
  echo "== $preset: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
done

echo "== Linux packages"
(cd build/native && cpack -G DEB && cpack -G TGZ) >/dev/null
cp build/native/packages/*.deb build/native/packages/*.tar.gz "$out/"

echo "== Windows archive"
# The x64 programs are meant to use Fenlink alone; while one of them still imports Dorlink.dll,
# the folder carries it too, or the program would not start.
extra=""
for exe in Tessmark.exe tessmark-cli.exe; do
  if x86_64-w64-mingw32-objdump -p "build/win64/bin/$exe" | grep -i 'DLL Name: Dorlink.dll' >/dev/null; then
    extra="$top/build/win64/bin/Dorlink.dll"
    echo "note: x64 $exe still imports Dorlink.dll; x64/ carries it"
  fi
done
rm -rf build/release
cmake -S packaging/release -B build/release -DTM_WIN32_BIN="$top/build/win32/bin" \
      -DTM_WIN64_BIN="$top/build/win64/bin" -DTM_X64_EXTRA="$extra" >/dev/null
(cd build/release && cpack -G ZIP) >/dev/null
cp build/release/packages/*.zip "$out/"

ls -1 "$out"
