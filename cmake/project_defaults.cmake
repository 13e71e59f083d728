# What every build of the project shares (the main build, the Windows build,
# the fuzz targets): C++20 without extensions, RelWithDebInfo unless told,
# and every program in bin/ of the build folder, since the folder a program
# runs from is where it reads its settings.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
get_filename_component(TARNFOLD_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. REALPATH)

# The warnings our own code is compiled with, on the targets rather than the
# folder, so that code of others built alongside (GoogleTest) keeps its own.
# tarnfold_core links it publicly, and every library and program links core.
if(NOT TARGET tarnfold_warnings)
  add_library(tarnfold_warnings INTERFACE)
  target_compile_options(tarnfold_warnings INTERFACE -Wall -Wextra -Wpedantic)
endif()
