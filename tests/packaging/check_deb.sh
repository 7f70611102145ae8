#!/bin/sh
# check_deb.sh BUILD OUT: packs BUILD into a .deb in OUT and checks it as a
# Debian user's tools would: lintian reports no error or warning, and there
# are no maintainer scripts (a postrm alone would leave the package behind,
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
lintian --fail-on error,warning "$deb"
