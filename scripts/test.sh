#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test.
#   scripts/test.sh              the ordinary build (build/)
#   scripts/test.sh --sanitize   AddressSanitizer + UBSan build (build-asan/)
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=build
FLAGS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
    BUILD=build-asan
    FLAGS=(-DCMAKE_BUILD_TYPE=Debug -DPRICETAGS_SANITIZE=ON -DPRICETAGS_BENCH=OFF)
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
fi

bash scripts/setup.sh
cmake -S . -B "$BUILD" -G Ninja "${FLAGS[@]}" >/dev/null
cmake --build "$BUILD"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)"
