#!/bin/sh
# check_deb.sh BUILD OUT: packs BUILD into a .deb in OUT and checks it as a
# Debian user's tools would: lintian reports no error or warning, the menu
# entry's icon is there, the LV2 bundle is whole, the CLAP module is in
# /usr/lib/clap, and there are no maintainer scripts (a postrm alone would leave the package behind,
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
# The LV2 bundle is whole: its description, the plug-in and its UI.
for file in manifest.ttl quenor-m4.ttl presets.ttl quenor-m4-dsp.so quenor-m4-ui.so; do
  dpkg-deb -c "$deb" | grep -q "/usr/lib/lv2/quenor-m4.lv2/$file$" || { echo "$file is not in $deb's LV2 bundle"; exit 1; }
done
dpkg-deb -c "$deb" | grep -q "/usr/lib/clap/quenor-m4.clap$" || { echo "the CLAP module is not in $deb"; exit 1; }
lintian --fail-on error,warning "$deb"
