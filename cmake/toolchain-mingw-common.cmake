# What both mingw-w64 toolchains share; the including file sets
# CMAKE_SYSTEM_PROCESSOR and _tine_triplet first.
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
