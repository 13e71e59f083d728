# Cross-compiling for 32-bit Windows with Debian's MinGW-w64 (posix threads):
# the programs that work with the 32-bit Firebird client most host systems
# install. Linked statically, as the 64-bit ones.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(TARNFOLD_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TARNFOLD_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNFOLD_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNFOLD_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNFOLD_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# 32-bit programs run under Wine's 32-bit loader (package wine32) where it is
# installed.
if(EXISTS /usr/lib/wine/wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
endif()
