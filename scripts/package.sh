#!/usr/bin/env bash
# Builds the Debian package in build-deb/ and prints its path:
#   build-deb/tarnexfast_<version>_<arch>.deb
# Install it with: sudo apt install ./build-deb/tarnexfast_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Debian's hardening flags: stack protector, fortified calls, read-only
# relocations bound at start.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
      -DTARNEX_BUILD_TESTS=OFF -DTARNEX_BUILD_BENCH=OFF >/dev/null
cmake --build build-deb
rm -f build-deb/tarnexfast_*.deb
cmake --build build-deb --target package >/dev/null
ls build-deb/tarnexfast_*.deb
