#!/usr/bin/env bash
# Prints 32 when this machine's kernel runs 32-bit programs, so that Wine can
# run the 32-bit Windows build; otherwise 64 (some virtual machines' kernels
# lack 32-bit support, and Wine's 32-bit part cannot start there).
if /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then echo 32; else echo 64; fi
