#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target for SECONDS seconds,
# starting from the seed corpus and the kept regression inputs. New inputs go
# to a scratch folder; a crash, hang or failed check stops the script and
# leaves the input in build-fuzz/fuzz-artifacts/ (minimise it with
# `build-fuzz/fuzz/fuzz_TARGET -minimize_crash=1 -runs=10000 INPUT` and keep it
# in tests/fuzz/regressions/TARGET/).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh SECONDS}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

artifacts=build-fuzz/fuzz-artifacts
mkdir -p "$artifacts"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for target in dispatcher chunks events; do
  mkdir -p "$scratch/$target"
  kept=()
  for folder in corpus regressions; do
    [ -d "tests/fuzz/$folder/$target" ] && kept+=("tests/fuzz/$folder/$target")
  done
  echo "== fuzz_$target for ${seconds}s"
  # No display: the editor must cope without one, and opens no windows here.
  if ! env -u DISPLAY "build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
      "$scratch/$target" "${kept[@]}" >"$scratch/$target.log" 2>&1; then
    tail -n 60 "$scratch/$target.log"
    echo "fuzz_$target failed; the input is in $artifacts/"
    exit 1
  fi
  grep -E '^#[0-9]+ +DONE' "$scratch/$target.log" || true
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$scratch/$target.log" || true
done
