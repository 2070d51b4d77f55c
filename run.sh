#!/usr/bin/env bash
# The main job: installs what is missing, builds, makes the geodata and a demo access log, starts
# the companion log service on it and opens the console connected to it. The demo log keeps
# growing while the console runs, so the live refresh shows. Everything stops with the console.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
./scripts/setup.sh --demo
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
bin="$root/build/bin"
./scripts/geodata.sh "$bin/geodata"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display here (DISPLAY is not set): start ./run.sh from a desktop session." >&2
  exit 1
fi

demo="$root/build/demo"
mkdir -p "$demo"
log="$demo/access.log"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT INT TERM

# Sixteen clients keep the diagram readable; a few lines more arrive every five seconds.
"$bin/ovdemolog" "$log" --lines 150 --hosts 16 --grow-every 5 & pids+=($!)
"$bin/ovservice" --port 5998 --allow "$demo" --greeting "Servicio de logs de demostración" \
  2>"$demo/ovservice.log" & pids+=($!)
sleep 1
if ! kill -0 "${pids[1]}" 2>/dev/null; then
  echo "run: the log service could not start (is port 5998 taken?); see $demo/ovservice.log" >&2
  exit 1
fi

cat > "$demo/demo.ovp" <<OVP
[main]
ip=127.0.0.1
numbytes=65536
logpath=$log
view=3
OVP
"$bin/ovclient" -i "$demo/demo.ovp" -c
