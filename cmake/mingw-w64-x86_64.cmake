# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix); the
# tests run under Wine. The project and Qt for Windows (scripts/qt-win64.sh) are both built with
# this file. The windows need that Qt: pass its prefix as NORVELLE_QT_WIN64, or set
# NORVELLE_CLI_ONLY for the core and norvelle-cli alone.
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

# Qt's tools (moc, rcc, uic) are the Linux Qt's of the same version, found in the machine's
# multiarch folder.
execute_process(COMMAND dpkg-architecture -qDEB_HOST_MULTIARCH
                OUTPUT_VARIABLE NORVELLE_HOST_MULTIARCH OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${NORVELLE_HOST_MULTIARCH}/cmake CACHE PATH "")
# Qt for Windows: its packages are found under its prefix.
if(NORVELLE_QT_WIN64)
  list(APPEND CMAKE_FIND_ROOT_PATH ${NORVELLE_QT_WIN64})
  list(APPEND CMAKE_PREFIX_PATH ${NORVELLE_QT_WIN64})
endif()
# Tests and the command line run here under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
