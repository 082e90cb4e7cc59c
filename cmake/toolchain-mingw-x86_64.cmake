# Cross build for 64-bit Windows with mingw-w64 on Debian: the test twin,
# built from the same sources and run under wine64.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake ...
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VANTREL_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
