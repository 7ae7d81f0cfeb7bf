#!/usr/bin/env bash
# Builds everything and runs every test: the normal build (GCC) and the sanitizer build (clang
# with AddressSanitizer + UndefinedBehaviorSanitizer, including short libFuzzer runs).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

echo "== normal build (build/)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

echo "== scenarios (scenarios/)"
scripts/run-scenarios.sh

echo "== sanitizer build (build-asan/)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVANTOR_SANITIZE=ON -DVANTOR_FUZZ=ON -DVANTOR_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j "$jobs")

echo "== Windows build under Wine (build-win32/)"
scripts/build-win32.sh
(cd build-win32 && WINEDEBUG=-all ctest --output-on-failure)
