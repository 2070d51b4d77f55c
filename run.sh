#!/usr/bin/env bash
# Installs what is missing, builds, starts the companion log service on a sample log and opens
# the console connected to it.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh --demo
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
echo "run: built; the console and the service are not wired up yet"
