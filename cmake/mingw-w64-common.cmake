# What both widths of the Windows build share, for Debian's MinGW-w64 (posix
# threads): the toolchain file that includes this sets CMAKE_SYSTEM_PROCESSOR,
# TARNFOLD_MINGW_PREFIX and TARNFOLD_WINE_LOADER first. Programs are linked
# statically so that they run under Wine, or on a Windows desktop, without the
# compiler's DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TARNFOLD_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNFOLD_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNFOLD_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNFOLD_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine where its loader of that width is installed.
if(EXISTS ${TARNFOLD_WINE_LOADER})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARNFOLD_WINE_LOADER})
endif()
