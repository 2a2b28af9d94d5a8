# Cross build of the core, norvelle-cli and the core's tests for 64-bit Windows with Debian's
# MinGW-w64 (g++-mingw-w64-x86-64-posix); the tests run under Wine. Qt for Windows is not
# installed here, so the windows are left out of this build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(NORVELLE_MINGW_PREFIX x86_64-w64-mingw32)
# The posix threads flavour: std::thread and std::mutex of C++20 need it.
set(CMAKE_C_COMPILER ${NORVELLE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NORVELLE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${NORVELLE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NORVELLE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One .exe that needs no DLL beside it: libgcc, libstdc++ and winpthread linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Tests and the command line run here under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

set(NORVELLE_CLI_ONLY ON CACHE BOOL "Build the core and norvelle-cli only, without Qt" FORCE)
