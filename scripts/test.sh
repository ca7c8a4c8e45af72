#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: native, under ASan+UBSan, and the
# Windows cross build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DVELVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/Toolchain-mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build-win -j"$jobs"
scripts/wine-session ctest --test-dir build-win --output-on-failure -j"$jobs"
echo "all tests passed"
