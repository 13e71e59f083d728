# Cross-compiling for 32-bit Windows: the programs that work with the 32-bit
# Firebird client most host systems install. Their tests run under Wine's
# 32-bit loader (package wine32).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TARNFOLD_MINGW_PREFIX i686-w64-mingw32)
set(TARNFOLD_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
