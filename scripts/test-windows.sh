#!/usr/bin/env bash
# Cross-builds quenor-m4.dll for 32-bit (the primary platform) and 64-bit
# Windows and runs each build's tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
run_suite() {
  local dir=$1 toolchain=$2
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$toolchain.cmake" >/dev/null
  ninja -C "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_suite build-win32 mingw-i686
run_suite build-win64 mingw-x86_64
echo "all Windows tests passed"
