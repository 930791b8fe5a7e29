#!/usr/bin/env bash
# Prints the lines of the tests, of the product and their ratio. Lines are
# counted without blank lines and without lines that hold only a comment;
# the raw line counts follow in parentheses.
#   tests:   every C++ source and header and every shell script under tests/,
#            the test infrastructure included (the loopback HTTP server, the
#            TLS relay, the stand-in DDE browser, the GUI harness and
#            make run's driver); not the fixtures in tests/data.
#   product: the C++ sources and headers and the resource script of the
#            program's folders (core store search checker session browser app
#            res cli, those that exist).
# Build files (CMake) and the scripts/ drivers count on neither side.
set -euo pipefail
cd "$(dirname "$0")/.."

# Non-blank, non-comment lines of the files named on standard input.
count() {
  local total=0 n f
  while IFS= read -r f; do
    case "$f" in
    *.sh)
      n=$(grep -cvE '^[[:space:]]*(#.*)?$' "$f" || true) ;;
    *)
      n=$(awk '
        { line = $0; sub(/^[ \t]+/, "", line) }
        in_block { if (index(line, "*/")) in_block = 0; next }
        line == "" { next }
        line ~ /^\/\// { next }
        line ~ /^\/\*/ { if (!index(substr(line, 3), "*/")) in_block = 1; next }
        { n++ }
        END { print n + 0 }' "$f") ;;
    esac
    total=$((total + n))
  done
  echo "$total"
}

test_files=$(find tests -path tests/data -prune -o -type f \
  \( -name '*.cpp' -o -name '*.h' -o -name '*.sh' \) -print)
dirs=()
for d in core store search checker session browser app res cli; do
  [ -d "$d" ] && dirs+=("$d")
done
product_files=$(find "${dirs[@]}" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.rc' \) -print)
raw() { xargs cat | wc -l; }
tests=$(count <<<"$test_files")
product=$(count <<<"$product_files")
tests_raw=$(raw <<<"$test_files")
product_raw=$(raw <<<"$product_files")
echo "tests:   $tests lines ($tests_raw raw): tests/, its helpers and infrastructure; not tests/data"
echo "product: $product lines ($product_raw raw): ${dirs[*]}"
awk -v t="$tests" -v p="$product" -v tr="$tests_raw" -v pr="$product_raw" \
  'BEGIN { printf "ratio:   %.0f%% (%.0f%% raw)\n", 100 * t / p, 100 * tr / pr }'
