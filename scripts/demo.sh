#!/usr/bin/env bash
# Builds the plug-in and installs it where Linux hosts look for VST plug-ins.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
ninja -C build
mkdir -p "$HOME/.vst"
cp build/quenor-m4.so "$HOME/.vst/"
echo "installed $HOME/.vst/quenor-m4.so"
