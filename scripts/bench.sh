#!/usr/bin/env bash
# Builds the benchmarks natively (optimised, no sanitizers) and runs each.
# Generated data (scripts/gen_bookmarks.py, or the generator that
# TL_GENERATOR names) goes to build/bench-data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export TL_GENERATOR="${TL_GENERATOR:-$PWD/scripts/gen_bookmarks.py}"
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DTL_TESTS=OFF -DTL_BENCH=ON >/dev/null
cmake --build build/bench -j "$(nproc)"
for b in build/bench/bench/*; do
  if [ -x "$b" ] && [ -f "$b" ]; then
    [ $# -gt 0 ] && [[ "$(basename "$b")" != *"$1"* ]] && continue
    echo "== $(basename "$b")"
    "$b"
  fi
done

# The Windows builds of the benchmarks (the shell's bench/*_win32.cpp, and
# bench_add, bench_file and bench_import for the same work as natively) run
# under Wine: the 32-bit build where the kernel runs 32-bit programs, else the
# 64-bit one.
bits=$(bash scripts/wine-bits.sh)
if [ "$bits" = 32 ]; then toolchain=mingw-i686; else toolchain=mingw-x86_64; fi
dir=build/bench-win$bits
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DTL_TESTS=OFF -DTL_BENCH=ON \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/$toolchain.cmake" >/dev/null
cmake --build "$dir" -j "$(nproc)"
bash scripts/wine-prefix.sh "$dir/wineprefix" "$bits"
data=build/bench-data/__style_own___count_100000.htm
if [ ! -s "$data" ] || [ "$TL_GENERATOR" -nt "$data" ]; then
  mkdir -p build/bench-data
  python3 "$TL_GENERATOR" --style own --count 100000 > "$data.part"
  mv "$data.part" "$data"
fi
for b in "$dir"/bench/*.exe; do
  [ -f "$b" ] || continue
  [ $# -gt 0 ] && [[ "$(basename "$b")" != *"$1"* ]] && continue
  echo "== $(basename "$b" .exe) (Wine, $bits-bit)"
  # The shell's benchmarks take the file; bench_add, bench_file and
  # bench_import find the data that their native runs above generated.
  args=("$data")
  [[ "$(basename "$b")" == *_win32.exe ]] || args=()
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    scripts/wine-run.sh "$PWD/$dir/wineprefix" "$bits" "$b" "${args[@]}"
done
