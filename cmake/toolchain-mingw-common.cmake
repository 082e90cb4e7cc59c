# What both mingw-w64 cross builds share; the toolchain files set
# VANTREL_MINGW_PREFIX and CMAKE_SYSTEM_PROCESSOR first.
# The -posix compilers carry the thread model that GoogleTest and the C++
# thread library need; the runtime is linked in statically, so that the
# program needs no DLL beyond those of Windows itself.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VANTREL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTREL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTREL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VANTREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# The runtime libraries bring debug sections along: a release goes without.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
