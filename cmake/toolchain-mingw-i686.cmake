# Cross build for 32-bit Windows with mingw-w64 on Debian: the release.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake ...
# The -posix compilers carry the thread model that GoogleTest and the C++
# thread library need; the runtime is linked in statically, so that the
# program needs no DLL beyond those of Windows itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VANTREL_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VANTREL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTREL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTREL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VANTREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Floating point in SSE2 registers, so that each step of the usage
# arithmetic rounds to double as it does on every other build; the x87 unit
# would keep extended precision in between. Windows calls back with a stack
# aligned to 4 bytes only, hence the realignment.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# The runtime libraries bring debug sections along: a release goes without.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
