# Cross-compiling for 64-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TARNFOLD_MINGW_PREFIX x86_64-w64-mingw32)
set(TARNFOLD_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
