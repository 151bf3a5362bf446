# Cross build for 32-bit Windows with Debian's mingw-w64 (g++-mingw-w64-i686).
# The win32 thread variant: the posix one links winpthread, whose imports (GetTickCount64,
# AddVectoredExceptionHandler, TryEnterCriticalSection...) keep the programs from starting on
# Windows before Vista. libgcc and libstdc++ are linked statically, see cmake/Win32.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(KDX_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${KDX_MINGW_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${KDX_MINGW_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${KDX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KDX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine on the build machine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
