# Build for 32-bit Linux (i686) with the system's gcc and -m32 (g++-multilib):
# the portable core and its tests with 32-bit pointers and sizes, as in the
# product. Where the kernel runs no 32-bit programs, configure with
# -DTL_EMULATOR=qemu-i386 and CTest runs the tests under user-mode emulation.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# time_t and file offsets of 64 bits, as in the MinGW build for 32-bit Windows.
set(CMAKE_C_FLAGS_INIT "-m32 -D_TIME_BITS=64 -D_FILE_OFFSET_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-m32 -D_TIME_BITS=64 -D_FILE_OFFSET_BITS=64")
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# Libraries found through pkg-config (OpenSSL) come from the i386 multiarch
# folders, not the machine's own.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig")
