#!/usr/bin/env bash
# Makes the build's private Wine prefix once:  wine-prefix.sh PREFIX BITS
set -euo pipefail
prefix="$(realpath -m "$1")"
bits="$2"
[ -f "$prefix/system.reg" ] && exit 0
mkdir -p "$(dirname "$prefix")"
here="$(dirname "$0")"
echo "wine: preparing the $bits-bit prefix $prefix"
xvfb-run -a "$here/wine-run.sh" "$prefix" "$bits" wineboot -i >/dev/null 2>&1 || true
# Wait until the prefix is written out before anything else uses it.
WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
[ -f "$prefix/system.reg" ] || { echo "wine: could not prepare $prefix" >&2; exit 1; }
