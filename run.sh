#!/usr/bin/env bash
# The main job: installs what is missing, builds, makes the geodata and a demo access log, starts
# the companion log service on it and opens the console connected to it. The demo log keeps
# growing while the console runs, so the live refresh shows. Everything stops with the console.
#
# Offline, the console starts all the same: without geodata (the diagram falls back to its simple
# picture) or without flags, with one line saying what is missing; the next run that can reach
# the package registries adds it.
#
# environment: OV_BUILD_DIR  the build folder, default build/ in the repository
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
build=${OV_BUILD_DIR:-$root/build}
./scripts/setup.sh --demo
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2
bin="$build/bin"

# The geodata builder talks at length; here only its last line counts.
geolog="$build/geodata.log"
status=0
./scripts/geodata.sh "$bin/geodata" 2>"$geolog" || status=$?
why=$(tail -n 1 "$geolog")
why=${why#geodata: }
if [ "$status" -eq 2 ]; then
  echo "run: no geodata ($why): the diagram shows its simple picture; the next ./run.sh that" \
    "can reach the npm registry builds it" >&2
elif [ "$status" -ne 0 ]; then
  echo "run: no geodata ($why): the diagram shows its simple picture" >&2
elif ! compgen -G "$bin/geodata/flags/*.gif" >/dev/null; then
  echo "run: no flag images (Debian package famfamfam-flag-gif is missing): the diagram shows" \
    "hosts without flags; the next ./run.sh that can reach the Debian archive adds them" >&2
else
  echo "$why" >&2
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display here (DISPLAY is not set): start ./run.sh from a desktop session." >&2
  exit 1
fi

demo="$build/demo"
mkdir -p "$demo"
log="$demo/access.log"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT INT TERM

# Sixteen clients keep the diagram readable; a few lines more arrive every five seconds.
"$bin/ovdemolog" "$log" --lines 150 --hosts 16 --grow-every 5 & pids+=($!)
"$bin/ovservice" --port 5998 --allow "$demo" --greeting "Servicio de logs de demostración" \
  >"$demo/ovservice.out" 2>"$demo/ovservice.log" & pids+=($!)
# Started when it says on which port it listens; gone when the port is taken.
for _ in $(seq 100); do
  grep -q '^listening on' "$demo/ovservice.out" 2>/dev/null && break
  kill -0 "${pids[1]}" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q '^listening on' "$demo/ovservice.out" 2>/dev/null; then
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
