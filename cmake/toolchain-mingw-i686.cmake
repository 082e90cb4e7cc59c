# Cross build for 32-bit Windows with mingw-w64 on Debian: the release.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake ...
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VANTREL_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

# Floating point in SSE2 registers, so that each step of the usage
# arithmetic rounds to double as it does on every other build; the x87 unit
# would keep extended precision in between. Windows calls back with a stack
# aligned to 4 bytes only, hence the realignment.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
