#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, only when some are missing.
set -euo pipefail
packages=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
          libbenchmark-dev libmaxminddb-dev famfamfam-flag-gif fonts-wine fonts-liberation)
missing=()
# The demo also needs npm (for the geodata package) and flock; node and npm that came from
# elsewhere are kept.
if [ "${1:-}" = "--demo" ]; then
  command -v npm >/dev/null || missing+=(npm)
  command -v flock >/dev/null || missing+=(util-linux)
fi
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
