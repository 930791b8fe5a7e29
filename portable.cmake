# The portable core: every module's sources in one library, tl_lib. A file
# named *_win32.cpp builds only for Windows, *_posix.cpp only natively; the
# rest builds in both. New sources are picked up by the globs.
set(tl_portable_dirs core store search checker session)
set(tl_lib_sources)
foreach(dir ${tl_portable_dirs})
  file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  list(APPEND tl_lib_sources ${found})
endforeach()
if(WIN32)
  list(FILTER tl_lib_sources EXCLUDE REGEX "_posix\\.cpp$")
else()
  list(FILTER tl_lib_sources EXCLUDE REGEX "_win32\\.cpp$")
  # The regular-expression adapter serves the Windows build; natively it is
  # kept apart for the differential test against the C library's engine.
  list(FILTER tl_lib_sources EXCLUDE REGEX "posix_regex\\.cpp$")
  add_library(tl_posix_regex STATIC ${CMAKE_SOURCE_DIR}/core/posix_regex.cpp)
endif()
add_library(tl_lib STATIC ${tl_lib_sources})
# TLS for the probe: Schannel and crypt32 on Windows (system DLLs), OpenSSL
# natively.
if(WIN32)
  target_link_libraries(tl_lib PUBLIC ws2_32 secur32 crypt32)
else()
  find_package(Threads REQUIRED)
  find_package(OpenSSL REQUIRED)
  target_link_libraries(tl_lib PUBLIC Threads::Threads OpenSSL::SSL OpenSSL::Crypto)
endif()
# The JSON library (Debian's nlohmann-json3-dev, header-only) reads the
# Chromium family's bookmark store. The MinGW compilers do not search
# /usr/include, and must not see the rest of it, so the Windows build gets a
# folder in the build tree that holds only a link to the library's headers.
if(WIN32)
  set(tl_json_include ${CMAKE_BINARY_DIR}/json-include)
  file(MAKE_DIRECTORY ${tl_json_include})
  file(CREATE_LINK /usr/include/nlohmann ${tl_json_include}/nlohmann SYMBOLIC)
  target_include_directories(tl_lib SYSTEM PRIVATE ${tl_json_include})
endif()
