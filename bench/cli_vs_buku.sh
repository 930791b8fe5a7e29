#!/usr/bin/env bash
# The command-line program against buku 4.7 (Debian's command-line bookmark
# manager), whole processes side by side in one hyperfine run per task, on
# the generated browser exports of 10,000 and 100,000 entries: import into an
# empty store, a one-word search, a two-word AND search, and an export.
# Usage: bash bench/cli_vs_buku.sh [COUNT...]   (default: 10000 100000)
# Results: build/bench-cli/*.md (hyperfine's tables) and a summary here.
set -euo pipefail
cd "$(dirname "$0")/.."

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
for p in buku hyperfine; do
  if ! dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null | grep -q '^ii'; then
    as_root apt-get update -q
    DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q --no-install-recommends "$p"
  fi
done

cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DTL_TESTS=OFF -DTL_BENCH=ON >/dev/null
cmake --build build/bench --target trovelinks -j "$(nproc)" >/dev/null
tl="$PWD/build/bench/cli/trovelinks"
out="$PWD/build/bench-cli"
mkdir -p "$out" build/bench-data
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Each program keeps its store in the work folder: trovelinks its file (and
# options) under a home of its own, buku its database under XDG_DATA_HOME.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config"
mkdir -p "$HOME"
buku_cmd="XDG_DATA_HOME=$work/buku buku --nostdin --np --nc --tacit"
tl_cmd="$tl --file $work/tl/tl.htm"

counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(10000 100000)
for n in "${counts[@]}"; do
  data="$PWD/build/bench-data/browser_${n}_seed7.htm"
  if [ ! -s "$data" ] || [ scripts/gen_bookmarks.py -nt "$data" ]; then
    python3 scripts/gen_bookmarks.py --style browser --count "$n" --seed 7 > "$data.part"
    mv "$data.part" "$data"
  fi
  # buku's import of 100,000 entries takes the better part of an hour here
  # (a transaction per entry): one run there.
  runs=5
  [ "$n" -ge 100000 ] && runs=1
  echo "== $n entries"
  hyperfine --style basic --runs "$runs" --export-markdown "$out/import_$n.md" \
    --prepare "rm -rf $work/tl && mkdir -p $work/tl" -n "trovelinks import" "$tl_cmd import $data" \
    --prepare "rm -rf $work/buku" -n "buku import" "$buku_cmd -i $data"
  # The searches and the export work on the stores the imports left.
  hyperfine --style basic --warmup 1 --runs 10 --export-markdown "$out/search1_$n.md" \
    -n "trovelinks search chess" "$tl_cmd search chess" \
    -n "buku search chess" "$buku_cmd -s chess"
  hyperfine --style basic --warmup 1 --runs 10 --export-markdown "$out/search2_$n.md" \
    -n "trovelinks search chess news" "$tl_cmd search chess news" \
    -n "buku search all chess news" "$buku_cmd -S chess news"
  hyperfine --style basic --runs "$runs" --export-markdown "$out/export_$n.md" \
    --prepare "rm -f $work/out.htm $work/out.html" \
    -n "trovelinks export" "$tl_cmd export -o $work/out.htm" \
    -n "buku export" "$buku_cmd -e $work/out.html"
  echo "stored in the end: trovelinks $($tl_cmd search | wc -l), buku $(sqlite3 "$work/buku/buku/bookmarks.db" 'select count(*) from bookmarks' 2>/dev/null || echo '?')"
  echo "matches of 'chess': trovelinks $($tl_cmd search chess | wc -l);" \
    "of 'chess news': trovelinks $($tl_cmd search chess news | wc -l)"
done
echo "== tables in $out"
for f in "$out"/*.md; do
  echo "-- $(basename "$f" .md)"
  cat "$f"
done
