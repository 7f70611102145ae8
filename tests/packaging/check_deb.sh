#!/bin/sh
# check_deb.sh BUILD OUT: packs BUILD into a .deb in OUT and checks it as a
# Debian user's tools would: lintian reports no error or warning, the menu
# entry's icon is there, and there are no maintainer scripts (a postrm alone would leave the package behind,
# state "rc", after apt remove).
set -eu
build=$1 out=$2
command -v lintian >/dev/null || { echo "lintian is not installed"; exit 77; }
rm -rf "$out"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out.log" 2>&1 || { cat "$out.log"; exit 1; }
deb=$(ls "$out"/*.deb)
scripts=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -vx -e '' -e control -e md5sums || true)
if [ -n "$scripts" ]; then
  echo "maintainer scripts in $deb:" $scripts
  exit 1
fi
# The menu entry names an icon the package installs.
icon=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/quenor-play.desktop | sed -n 's/^Icon=//p')
dpkg-deb -c "$deb" | grep -q "/usr/share/icons/hicolor/.*/apps/$icon\.\(png\|svg\)$" ||
  { echo "the menu entry's icon '$icon' is not in $deb"; exit 1; }
lintian --fail-on error,warning "$deb"
