# 32-bit Windows with Debian's mingw-w64 (posix threads): the release build.
# Under Wine only 64-bit programs run here, so its tests are built, not run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(_tine_triplet i686-w64-mingw32)

include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
