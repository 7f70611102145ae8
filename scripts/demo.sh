#!/usr/bin/env bash
# Builds the plug-in and the render tool, then renders the built-in demo
# through the plug-in to demo.wav.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# --fresh: a build/ configured before with another generator is taken over.
cmake -S . -B build -G Ninja --fresh -DQUENOR_BUILD_TESTS=OFF >/dev/null
ninja -C build quenor-m4 quenor-render
build/quenor-render -o demo.wav
