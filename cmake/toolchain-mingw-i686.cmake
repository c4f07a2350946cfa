# 32-bit Windows with Debian's mingw-w64 (posix threads): the release build.
# Under Wine only 64-bit programs run here, so its tests are built, not run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(_tine_triplet i686-w64-mingw32)

set(CMAKE_C_COMPILER ${_tine_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_tine_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${_tine_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_tine_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program must start on a bare Windows: no libgcc, libstdc++ or
# winpthread DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Programs of this build run through Wine (tests and gtest discovery).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
