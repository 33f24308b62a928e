#!/usr/bin/env bash
# Installs what is missing, builds everything into build/ with warnings as errors,
# and runs the whole test suite: the unit and end-to-end tests, the unit tests again
# under AddressSanitizer and UBSan (build-asan/), and a short libFuzzer run
# (build-fuzz/, clang).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

scripts/install-deps.sh

JOBS=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1
export QT_QPA_PLATFORM=offscreen

echo "== build (build/)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMOOR_WERROR=ON >/dev/null
cmake --build build -j "$JOBS"
echo "== tests"
ctest --test-dir build -j "$JOBS" --timeout 600

echo "== unit tests under AddressSanitizer and UBSan (build-asan/)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLMOOR_WERROR=ON \
    -DQUILLMOOR_SANITIZE=ON -DQUILLMOOR_WITH_UI=OFF -DQUILLMOOR_BENCH=OFF >/dev/null
cmake --build build-asan -j "$JOBS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan -j "$JOBS" -L 'foundation|engine|collect|site' --timeout 600

echo "== fuzzers (build-fuzz/)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLMOOR_FUZZ=ON -DQUILLMOOR_WITH_UI=OFF -DQUILLMOOR_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$JOBS"
ctest --test-dir build-fuzz -j "$JOBS" -L fuzz --timeout 600
