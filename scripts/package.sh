#!/usr/bin/env bash
# Builds the Debian package of the console and the log service (CPack, cmake/Packaging.cmake)
# into build/packages/, from a release build in build/. The geodata goes in when it has been
# built (./run.sh or scripts/geodata.sh build/bin); without it the diagram keeps to its simple
# picture.
#
# usage: scripts/package.sh
# environment: OV_BUILD_DIR  the build folder, default build/ in the repository
set -euo pipefail
cd "$(dirname "$0")/.."
build=${OV_BUILD_DIR:-$(pwd)/build}
./scripts/setup.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2
[ -f "$build/bin/geodata/hostdat.xdb" ] ||
  echo "package: no geodata in $build/bin (./run.sh or scripts/geodata.sh $build/bin builds it);" \
    "the package goes without it" >&2
(cd "$build" && cpack --config CPackConfig.cmake -B "$build/packages")
ls "$build"/packages/*.deb
