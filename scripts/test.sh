#!/usr/bin/env bash
# Builds everything and runs the whole test suite (presets in
# CMakePresets.json): the release build, builds under AddressSanitizer with
# UndefinedBehaviorSanitizer and under ThreadSanitizer, the 32- and 64-bit
# Windows DLLs cross-built with MinGW-w64 and tested under Wine, then the fuzz
# targets: their kept inputs replayed and a short run of each.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
run_preset() {
  local preset=$1
  echo "== $preset"
  local started=$SECONDS
  # --fresh: whatever a build folder held before, the preset's settings hold.
  cmake --preset "$preset" --fresh >/dev/null
  cmake --build --preset "$preset"
  local built=$SECONDS
  ctest --preset "$preset" -j "$jobs"
  echo "== $preset: built in $((built - started)) s, tested in $((SECONDS - built)) s"
}

presets=(release asan tsan win32 win64 fuzz)
[ $# -gt 0 ] && presets=("$@")
for preset in "${presets[@]}"; do
  run_preset "$preset"
  if [ "$preset" = fuzz ]; then bash scripts/fuzz.sh 30; fi
done
echo "all tests passed"
