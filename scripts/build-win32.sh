#!/usr/bin/env bash
# Cross-builds the Windows executables and their tests into build-win32/ with mingw-w64:
# build-win32/bin/vantor.exe and vantor1.exe (statically linked). Run the tests under Wine with
#   (cd build-win32 && ctest --output-on-failure)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-win32 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build-win32 -j "$jobs"
