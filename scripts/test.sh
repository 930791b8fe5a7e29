#!/usr/bin/env bash
# Builds every build and runs every test through one CTest run:
#   build/native    the portable core under AddressSanitizer and UBSan
#   build/native32  the same as 32-bit Linux programs (gcc -m32), run directly
#                   where the kernel runs 32-bit programs, else under qemu-i386
#                   (with UBSan alone: AddressSanitizer fails under emulation)
#   build/fuzz      libFuzzer targets (clang), each given a short smoke run
#   build/win32     everything for 32-bit Windows (the product), tests under Wine
# Where the kernel cannot run 32-bit programs, Wine cannot run the 32-bit
# build; the same Windows sources are then also built for 64-bit Windows
# (build/win64) and those tests run under 64-bit Wine instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
configure_and_build() { # DIR [cmake args...]
  local dir=$1
  shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}
configure_and_build build/native -DCMAKE_BUILD_TYPE=Debug -DTL_SANITIZE=ON
mkdir -p build
printf 'int main(void) { return 0; }\n' | gcc -m32 -x c - -o build/probe32
if (build/probe32) 2>/dev/null; then
  native32=(-DTL_SANITIZE=ON -DTL_UBSAN=OFF -DTL_EMULATOR=)
else
  echo "test: this kernel runs no 32-bit programs; the 32-bit Linux tests run under qemu-i386"
  native32=(-DTL_SANITIZE=OFF -DTL_UBSAN=ON -DTL_EMULATOR=qemu-i386)
fi
configure_and_build build/native32 -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/linux-i686.cmake" "${native32[@]}"
configure_and_build build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTL_FUZZ=ON -DTL_TESTS=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
configure_and_build build/win32 -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-i686.cmake"

bits=$(bash scripts/wine-bits.sh)
windows=win32
if [ "$bits" = 64 ]; then
  echo "test: this kernel runs no 32-bit programs; the Windows tests run as 64-bit programs"
  windows=win64
  configure_and_build build/win64 -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-x86_64.cmake"
fi

# One CTest run over all builds, so the summary names every test of each.
printf 'subdirs("native")\nsubdirs("native32")\nsubdirs("%s")\nsubdirs("fuzz")\n' "$windows" \
  > build/CTestTestfile.cmake

bash scripts/wine-prefix.sh "build/$windows/wineprefix" "$bits"
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build --output-on-failure -j "$jobs"
