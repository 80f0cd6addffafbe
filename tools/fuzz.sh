#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for the given seconds (default 60).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
build="$root/build-fuzz"

bash "$root/tools/setup.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_FUZZ=ON \
  -DKORVANE_BENCH=OFF -DKORVANE_WERROR=ON
cmake --build "$build" -j "$(nproc)" --target fuzz_decoder fuzz_pattern_scanner
for target in fuzz_decoder fuzz_pattern_scanner; do
  corpus="$(mktemp -d)"
  "$build/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 "$corpus"
  rm -rf "$corpus"
done
