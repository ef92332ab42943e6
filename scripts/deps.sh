#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine (run as root).
# Quick when everything is there already.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64 wine64 wine xvfb xdotool
          imagemagick srecord libusb-1.0-0-dev procps time python3 x11-utils)
# The libusb port and its test bed (emulated units behind the real libusb).
packages+=(libusb-1.0-0-dev pkg-config umockdev libumockdev-dev)
# The release packages and their tests (scripts/package.sh, tests/e2e/test_packages.sh).
packages+=(help2man dpkg-dev man-db unzip)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  apt-get update -qq || true   # a partial index failure (often i386) must not stop us
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# 32-bit Windows programs need wine32 from the i386 archive, which is sometimes out of step with
# the amd64 one; the tests then run the 64-bit builds only.
if [ "${TM_SKIP_WINE32:-0}" != 1 ] && ! dpkg -s wine32:i386 >/dev/null 2>&1; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  if { apt-get update -qq || true; DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wine32:i386; } >/dev/null 2>&1; then
    echo "wine32 installed"
  else
    echo "wine32 could not be installed: the 32-bit end-to-end runs are skipped"
  fi
fi
