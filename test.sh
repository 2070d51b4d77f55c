#!/usr/bin/env bash
# Installs what is missing, builds everything in build/ and runs the whole suite on the offscreen
# platform. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2 --timeout 600
