#!/usr/bin/env bash
# The installation, made two ways from the built tree: the Debian package (CPack) unpacked into a
# temporary folder, and `cmake --install --prefix`. In each, the launcher, the desktop entry and
# the service's unit must name files that are there, and the console must find its files beside
# itself.
#
# usage: check_install.sh BUILD_DIR
set -uo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# check ROOT PREFIX: the files of an installation into PREFIX, found below ROOT.
check() {
  local root=$1 prefix=$2
  local launcher=$root$prefix/bin/ovclient
  if ! [ -x "$launcher" ] || ! sh -n "$launcher"; then
    fail "$prefix/bin/ovclient: no launcher, or not a shell script that runs"
    return
  fi
  local program
  program=$(sed -n "s/^exec '\([^']*\)'.*/\1/p" "$launcher")
  [ -n "$program" ] && [ -x "$root$program" ] && [ -f "$root$program" ] ||
    fail "$prefix/bin/ovclient execs '$program', which is not a program of the installation"
  local folder
  folder=$(dirname "$root$program")
  for f in ovclient.ini reference.txt; do
    [ -f "$folder/$f" ] || fail "no $f beside $program"
  done
  if [ -f "$build/bin/geodata/hostdat.xdb" ]; then
    cmp -s "$build/bin/geodata/hostdat.xdb" "$folder/geodata/hostdat.xdb" &&
      [ -f "$folder/geodata/hostcities.xdb" ] && compgen -G "$folder/geodata/flags/*.gif" >/dev/null ||
      fail "the built geodata is not beside $program"
    [ -f "$root$prefix/share/doc/orvalen/geodata/LICENSE-DB-IP.txt" ] ||
      fail "the geodata's licence is not among the documents"
  fi

  local unit=$root$prefix/lib/systemd/system/ovservice.service
  local service
  service=$(sed -n 's/^ExecStart=\([^ ]*\).*/\1/p' "$unit" 2>/dev/null)
  [ -n "$service" ] && [ -x "$root$service" ] ||
    fail "the unit's ExecStart names '$service', which is not a program of the installation"
  # The installed (stripped) service still runs, and knows the options the unit comment lists.
  "$root$service" --help 2>&1 | grep -q -- --allow-client ||
    fail "$service --help does not run or lists no --allow-client"

  local desktop=$root$prefix/share/applications/orvalen.desktop
  local exec icon
  exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop" 2>/dev/null)
  [ "$exec" = "$prefix/bin/ovclient" ] || fail "the desktop entry starts '$exec', not the launcher"
  icon=$(sed -n 's/^Icon=//p' "$desktop" 2>/dev/null)
  compgen -G "$root$prefix/share/icons/hicolor/*/apps/$icon.png" >/dev/null ||
    fail "no icon '$icon' in the installation's icon theme"
  grep -q '^Name=Consola de logs Orvalen$' "$desktop" || fail "the desktop entry's name is not Spanish"

  [ -f "$root$prefix/share/doc/orvalen/THIRD_PARTY.md" ] || fail "no THIRD_PARTY.md among the documents"
}

if ! (cd "$build" && cpack --config CPackConfig.cmake -B "$work/package") >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  fail "cpack could not make the package"
  exit 1
fi
deb=$(ls "$work"/package/*.deb)
dpkg-deb -x "$deb" "$work/root" || { fail "dpkg-deb cannot unpack $deb"; exit 1; }
echo "package: $(basename "$deb")"
check "$work/root" /usr
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 ||
  fail "the package does not depend on the Qt libraries: $(dpkg-deb -f "$deb" Depends)"

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "cmake --install failed"; }
check "" "$work/prefix"

[ "$failures" -eq 0 ] && echo "installation checked: package and cmake --install"
[ "$failures" -eq 0 ]
