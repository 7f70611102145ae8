#!/usr/bin/env bash
# Builds everything and runs the whole test suite: a release build, then a
# build under AddressSanitizer and UndefinedBehaviorSanitizer, then the
# threaded parts under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DQUENOR_BUILD_TESTS=ON -DQUENOR_BUILD_BENCH=ON "$@" >/dev/null
  ninja -C "$dir"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_suite build
run_suite build-asan -DQUENOR_SANITIZE=address,undefined -DQUENOR_BUILD_BENCH=OFF
run_suite build-tsan -DQUENOR_SANITIZE=thread -DQUENOR_BUILD_BENCH=OFF
echo "all tests passed"
