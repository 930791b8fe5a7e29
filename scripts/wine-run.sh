#!/bin/sh
# Runs a Windows program under Wine with the build's private prefix:
#   wine-run.sh PREFIX BITS PROGRAM [ARGS...]
# BITS is 32 or 64, the program's pointer size. The exit code is the program's.
prefix="$1"
bits="$2"
shift 2
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ "$bits" = 64 ]; then
  export WINEARCH=win64
  export WINELOADER=/usr/lib/wine/wine64
  export WINESERVER=/usr/lib/wine/wineserver64
  exec /usr/lib/wine/wine64 "$@"
fi
export WINEARCH=win32
exec wine "$@"
