#!/usr/bin/env bash
# Builds the benchmarks natively (optimised, no sanitizers) and runs each.
# Generated data goes to build/bench-data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for gen in ../shared/bench/gen_bookmarks.py /work/shared/bench/gen_bookmarks.py; do
  if [ -f "$gen" ]; then export TL_GENERATOR="${TL_GENERATOR:-$(realpath "$gen")}"; break; fi
done
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DTL_TESTS=OFF -DTL_BENCH=ON >/dev/null
cmake --build build/bench -j "$(nproc)"
for b in build/bench/bench/*; do
  if [ -x "$b" ] && [ -f "$b" ]; then
    [ $# -gt 0 ] && [[ "$(basename "$b")" != *"$1"* ]] && continue
    echo "== $(basename "$b")"
    "$b"
  fi
done
