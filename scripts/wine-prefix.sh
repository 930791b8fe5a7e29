#!/usr/bin/env bash
# Makes the build's private Wine prefix once:  wine-prefix.sh PREFIX BITS
set -euo pipefail
prefix="$(realpath -m "$1")"
bits="$2"
here="$(dirname "$0")"
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  echo "wine: preparing the $bits-bit prefix $prefix"
  xvfb-run -a "$here/wine-run.sh" "$prefix" "$bits" wineboot -i >/dev/null 2>&1 || true
  # Wait until the prefix is written out before anything else uses it.
  WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
  [ -f "$prefix/system.reg" ] || { echo "wine: could not prepare $prefix" >&2; exit 1; }
fi
# Wine draws the windows' frames itself instead of leaving them to a window
# manager: the virtual display has none, and a managed window's close waits
# two seconds for one to answer (every dialog of the GUI tests).
if ! grep -q '"Managed"="N"' "$prefix/user.reg" 2>/dev/null; then
  xvfb-run -a "$here/wine-run.sh" "$prefix" "$bits" \
    reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
fi
