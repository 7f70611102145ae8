#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the release build, then a
# build under AddressSanitizer and UndefinedBehaviorSanitizer, then one under
# ThreadSanitizer, then the fuzz targets: their kept inputs replayed and a
# short run of each (presets in CMakePresets.json).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
run_preset() {
  local preset=$1
  echo "== $preset"
  # --fresh: whatever a build folder held before, the preset's settings hold.
  cmake --preset "$preset" --fresh >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j "$jobs"
}

run_preset release
run_preset asan
run_preset tsan
run_preset fuzz
bash scripts/fuzz.sh 30
echo "all tests passed"
