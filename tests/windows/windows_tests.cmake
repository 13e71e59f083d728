# Test programs of the Windows build (included by windows/CMakeLists.txt).
# Each runs as one CTest entry; under Wine through the cross-compiling emulator.
set(TARNFOLD_WINDOWS_TESTS ${CMAKE_CURRENT_LIST_DIR})

function(tarnfold_windows_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest)
  target_include_directories(${name} PRIVATE ${TARNFOLD_WINDOWS_TESTS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 120 ${T_PROPERTIES})
endfunction()

tarnfold_windows_test(word_com_tests
  SOURCES ${TARNFOLD_WINDOWS_TESTS}/com_test_main.cpp
          ${TARNFOLD_WINDOWS_TESTS}/recording_dispatch.cpp
          ${TARNFOLD_WINDOWS_TESTS}/call_text.cpp
          ${TARNFOLD_WINDOWS_TESTS}/automation_test.cpp
          ${TARNFOLD_WINDOWS_TESTS}/word_com_test.cpp
  LIBS tarnfold_word_com)
