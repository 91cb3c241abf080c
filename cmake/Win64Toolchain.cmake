# Cross-building for Windows x64 on Debian with mingw-w64. The -posix compilers, because the
# library's threads are std::thread. KELDO_WIN64_PREFIX is where the target libraries were
# installed (tools/xbuild/build-libs.sh prints it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KELDO_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KELDO_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELDO_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KELDO_MINGW}-windres)

# Carried into try_compile projects, so that their checks see the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KELDO_WIN64_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${KELDO_MINGW} ${KELDO_WIN64_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs and build-time helpers run under wine.
find_program(KELDO_WINE wine)
if(KELDO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KELDO_WINE})
endif()
