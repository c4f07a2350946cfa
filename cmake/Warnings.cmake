# Warnings and floating-point model shared by every target.
add_library(tine_options INTERFACE)
target_compile_options(tine_options INTERFACE -Wall -Wextra -Wshadow -Wno-unused-parameter)
# Samples must be identical on every build: plain SSE2 single precision, no
# contraction of a*b+c into fused operations that only some targets have.
target_compile_options(tine_options INTERFACE -ffp-contract=off -fno-math-errno)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "i.86" OR CMAKE_CXX_COMPILER MATCHES "i686")
  target_compile_options(tine_options INTERFACE -msse2 -mfpmath=sse)
endif()
