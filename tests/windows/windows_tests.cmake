# Test programs of the Windows build (included by windows/CMakeLists.txt).
# Each runs as one CTest entry; under Wine through the cross-compiling emulator.
set(TARNFOLD_WINDOWS_TESTS ${CMAKE_CURRENT_LIST_DIR})

function(tarnfold_windows_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;ARGS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest)
  target_include_directories(${name} PRIVATE ${TARNFOLD_WINDOWS_TESTS})
  add_test(NAME ${name} COMMAND ${name} ${T_ARGS})
  set_tests_properties(${name} PROPERTIES TIMEOUT 120 ${T_PROPERTIES})
endfunction()

tarnfold_windows_test(word_com_tests
  SOURCES ${TARNFOLD_WINDOWS_TESTS}/com_test_main.cpp
          ${TARNFOLD_WINDOWS_TESTS}/recording_dispatch.cpp
          ${TARNFOLD_WINDOWS_TESTS}/call_text.cpp
          ${TARNFOLD_WINDOWS_TESTS}/automation_test.cpp
          ${TARNFOLD_WINDOWS_TESTS}/word_com_test.cpp
  LIBS tarnfold_word_com)

tarnfold_windows_test(platform_win32_tests
  SOURCES ${TARNFOLD_WINDOWS_TESTS}/platform_test_main.cpp
          ${TARNFOLD_WINDOWS_TESTS}/instance_lookup_test.cpp
          ${TARNFOLD_WINDOWS_TESTS}/windows_ui_test.cpp
          ${TARNFOLD_WINDOWS_TESTS}/regional_test.cpp
  LIBS tarnfold_platform_win32 tarnfold_word_com
  ARGS --gtest_filter=-RegionalFormats.*)
target_include_directories(platform_win32_tests PRIVATE ${TARNFOLD_ROOT}/tests)

# The regional formats under the office's locale and under one whose day and
# hour go without leading zeros ("M/d/yyyy", "h:mm:ss tt").
foreach(locale ru_RU en_US)
  add_test(NAME regional_formats_${locale} COMMAND platform_win32_tests --gtest_filter=RegionalFormats.*)
  set_tests_properties(regional_formats_${locale} PROPERTIES TIMEOUT 60 ENVIRONMENT "LC_ALL=${locale}.UTF-8")
endforeach()

if(TARGET tarnfold_db)
  tarnfold_windows_test(db_windows_tests
    SOURCES ${TARNFOLD_WINDOWS_TESTS}/client_library_test.cpp
    LIBS tarnfold_db GTest::gtest_main)
  target_include_directories(db_windows_tests PRIVATE ${TARNFOLD_ROOT}/tests)
endif()
