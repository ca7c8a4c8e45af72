#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: every factory preset on a built-in
# test signal (velvane demo [DIR]; ./velvane-demo by default).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target velvane
exec build/bin/velvane demo "$@"
