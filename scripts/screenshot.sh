#!/usr/bin/env bash
# Makes the README's picture: the console connected to a demo log service, shown on a virtual X
# display (Xvfb) and saved as a PNG of its window. Installs what it needs from Debian (xvfb, xwd,
# xwininfo, netpbm) when missing; builds and makes the geodata as run.sh does.
#
# usage: scripts/screenshot.sh [OUT.png [WIDTHxHEIGHT]]   default docs/console.png 900x600
# environment: OV_BUILD_DIR  the build folder, default build/ in the repository
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=$(realpath -m "${1:-docs/console.png}")
size=${2:-900x600}
build=${OV_BUILD_DIR:-$root/build}
bin=$build/bin
say() { echo "screenshot: $*" >&2; }

./scripts/setup.sh --demo
tools=(Xvfb:xvfb xwd:x11-apps xwininfo:x11-utils xwdtopnm:netpbm)
missing=()
for t in "${tools[@]}"; do command -v "${t%%:*}" >/dev/null || missing+=("${t#*:}"); done
if [ "${#missing[@]}" -gt 0 ]; then
  say "installing ${missing[*]}"
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target ovclient ovservice ovdemolog ovgeobuild
./scripts/geodata.sh "$bin/geodata" 2>/dev/null || say "no geodata: the diagram is the simple one"

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Waits up to 30 s for a command to succeed.
await() {
  for _ in $(seq 300); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

# A display of our own: the first free number from 90 on.
n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 & pids+=($!)
await test -e "/tmp/.X11-unix/X$n" || { say "Xvfb did not start"; exit 1; }

# A log that stays as it is, served on the console's port.
logs=$work/var/log/apache2
mkdir -p "$logs"
"$bin/ovdemolog" "$logs/access.log" --lines 60 --hosts 10 >/dev/null
"$bin/ovservice" --port 5998 --allow "$logs" --greeting "Servicio de logs de demostración" \
  >"$work/service.out" 2>"$work/service.log" & pids+=($!)
await grep -q '^listening on' "$work/service.out" ||
  { say "ovservice did not start (is port 5998 taken, by ./run.sh say?)"; exit 1; }
cat >"$work/demo.ovp" <<OVP
[main]
ip=127.0.0.1
numbytes=65536
logpath=$logs/access.log
view=3
OVP

env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=":$n" "$bin/ovclient" -geometry "$size+0+0" -i "$work/demo.ovp" -c \
  >"$work/console.log" 2>&1 & pids+=($!)
await grep -q 'sent .* bytes of text' "$work/service.log" ||
  { say "the console did not get the log; see $work/service.log"; exit 1; }
window() { DISPLAY=":$n" xwininfo -name "Cliente de Orvalen" | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p'; }
await window || { say "no console window"; exit 1; }
# The diagram is drawn on a timer once the log is in; give it a moment to settle.
sleep 2
mkdir -p "$(dirname "$out")"
DISPLAY=":$n" xwd -silent -id "$(window)" | xwdtopnm 2>/dev/null | pnmtopng -compression 9 >"$out"
say "saved $out ($(stat -c %s "$out") bytes)"
