# Cross build for 32-bit Windows with Debian's mingw-w64 (g++-mingw-w64-i686).
# The posix thread variant is used because GoogleTest needs the full <mutex>; its runtime
# (winpthread) is linked statically like libgcc and libstdc++, see cmake/Win32.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(KDX_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${KDX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KDX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KDX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KDX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine on the build machine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
