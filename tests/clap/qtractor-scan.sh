#!/bin/sh
# Asks qtractor's own plug-in scanner about the module, the way qtractor does
# when it looks for plug-ins. Exits 77 (skipped) when qtractor is not installed.
module=$1
scanner=$(dpkg -L qtractor 2>/dev/null | grep '/qtractor_plugin_scan$' | head -n 1)
if [ -z "$scanner" ] || [ ! -x "$scanner" ]; then
  echo "qtractor's plug-in scanner is not installed"
  exit 77
fi
listing=$(echo "CLAP:$module" | timeout 60 "$scanner" 2>&1)
echo "$listing"
# Type, name, audio ins:outs, MIDI ins:outs, parameters in:out, flags, file, index.
echo "$listing" | grep -q "^CLAP|Quenor-m4|0:2|1:0|5:0|GUI[^|]*|$module|0|" || {
  echo "the scanner did not list the instrument as expected"
  exit 1
}
