#!/usr/bin/env bash
# Sets up, builds everything and runs every test: once in an ordinary build,
# once under AddressSanitizer and UndefinedBehaviorSanitizer.
# --quick skips the sanitizer run.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh

werror=OFF
[ "${CI:-}" = true ] && werror=ON
jobs=$(nproc)

export QT_QPA_PLATFORM=offscreen
export CTEST_OUTPUT_ON_FAILURE=1

cmake -S . -B build -G Ninja -DTARNEX_WERROR=$werror >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --timeout 600

if [ "${1:-}" != "--quick" ]; then
  cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARNEX_WERROR=$werror \
        -DTARNEX_SANITIZE=ON -DTARNEX_BUILD_BENCH=OFF >/dev/null
  cmake --build build-sanitize -j "$jobs"
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize -j "$jobs" --timeout 1200
fi
