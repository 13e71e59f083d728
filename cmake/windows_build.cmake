# The Windows build, cross-compiled from Linux with the MinGW-w64 toolchain
# (presets windows-x64 and windows-x86 of CMakePresets.json; included by the
# root CMakeLists.txt when the compiler is one for Windows):
# The window program tarnfold.exe with its native Win32 window over the same
# window logic as the Qt window, the plain C++ libraries of src/, the Word
# back-end by COM automation, the Win32 platform layer, and their tests, which
# run under Wine (scripts/test-windows) or on Windows itself.
enable_language(RC)

include(CTest)
if(CMAKE_CROSSCOMPILING_EMULATOR MATCHES "wine")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARNFOLD_ROOT}/windows/wine-run)
endif()

# GoogleTest from its sources (Debian's googletest package), built with the
# same compiler; before the project's warning options, which are for our code.
if(BUILD_TESTING)
  set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GOOGLETEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

# Unicode builds: the wide API only.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)

# The client library's C header (Debian's firebird-dev) is the same for
# Windows; only that one file is taken, not the Linux include folder.
set(TARNFOLD_IBASE_HEADER /usr/include/ibase.h CACHE FILEPATH "Firebird client API header")
if(EXISTS ${TARNFOLD_IBASE_HEADER})
  configure_file(${TARNFOLD_IBASE_HEADER} ${CMAKE_BINARY_DIR}/firebird/ibase.h COPYONLY)
endif()

# The plain C++ libraries, by their own CMake files. A library joins this list
# once it builds cleanly for Windows.
set(TARNFOLD_WINDOWS_LIBRARIES core catalogue word settings db journal export window)
foreach(library ${TARNFOLD_WINDOWS_LIBRARIES})
  add_subdirectory(${TARNFOLD_ROOT}/src/${library} ${library})
endforeach()

target_include_directories(tarnfold_db SYSTEM PUBLIC ${CMAKE_BINARY_DIR}/firebird)

add_subdirectory(${TARNFOLD_ROOT}/src/platform/win32 platform_win32)
add_subdirectory(${TARNFOLD_ROOT}/src/word/com word_com)
add_subdirectory(${TARNFOLD_ROOT}/src/word/conversion word_conversion)
add_subdirectory(${TARNFOLD_ROOT}/src/batch batch)
add_subdirectory(${TARNFOLD_ROOT}/src/app/win32 app_win32)

if(BUILD_TESTING)
  include(${TARNFOLD_ROOT}/tests/windows/windows_tests.cmake)
endif()
