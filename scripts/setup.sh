#!/usr/bin/env bash
# Installs what the builds and tests need from Debian's packages, and nothing
# when everything is there already. Adds the i386 architecture that Wine's
# 32-bit part needs, once.
set -euo pipefail

packages=(
  make cmake g++ clang libclang-rt-14-dev libgtest-dev googletest python3 libssl-dev openssl
  libssl-dev:i386 nlohmann-json3-dev
  g++-multilib qemu-user
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 fonts-wine xvfb xauth x11-apps imagemagick
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

installed() {
  dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null | grep -q '^ii'
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
as_root apt-get update -q
as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
