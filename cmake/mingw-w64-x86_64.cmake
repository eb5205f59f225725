# Cross-compiling Orlet for 64-bit Windows with Debian's MinGW-w64 (posix
# threads, package g++-mingw-w64-x86-64-posix).  Used directly, or chained
# from a cross-built Qt's qt.toolchain.cmake as QT_CHAINLOAD_TOOLCHAIN_FILE
# (scripts/windows.sh does that).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORLET_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORLET_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORLET_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ORLET_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${ORLET_MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${ORLET_MINGW_TRIPLET}-ranlib CACHE FILEPATH "")

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${ORLET_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test executables run on the build machine through Wine, when it is there.
find_program(ORLET_WINE NAMES wine wine64)
if(ORLET_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORLET_WINE})
endif()
