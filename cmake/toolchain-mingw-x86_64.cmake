# 64-bit Windows with Debian's mingw-w64 (posix threads). This build runs the
# Windows-side tests under wine64; the release is the i686 build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_tine_triplet x86_64-w64-mingw32)

include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
