# 32-bit x86 Linux with Debian's gcc-multilib: the release's 32-bit
# arithmetic (SSE2 single precision, see Warnings.cmake) checked on Linux.
# Programs are linked statically and run under qemu-user's i386 emulation,
# since these machines cannot run 32-bit programs themselves.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
# The system's GoogleTest is 64-bit: the tests build it from Debian's sources.
set(CMAKE_DISABLE_FIND_PACKAGE_GTest TRUE)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386)
