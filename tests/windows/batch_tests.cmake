# The batch program on Windows (included by windows_tests.cmake).

# tarnfold-batch with the rows of a stand-in database session, which the
# tests run as a process of its own in place of the program.
add_executable(batch_stand_in_program
  ${TARNFOLD_WINDOWS_TESTS}/batch_stand_in_program.cpp
  ${TARNFOLD_WINDOWS_TESTS}/batch_stand_in_rows.cpp)
target_link_libraries(batch_stand_in_program PRIVATE tarnfold_batch_program)
target_include_directories(batch_stand_in_program PRIVATE ${TARNFOLD_WINDOWS_TESTS} ${TARNFOLD_ROOT}/tests)

# The 32-bit build runs the released batch over the database only.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(batch_tests_filter --gtest_filter=BatchOnTheDemoDatabase.*)
endif()
tarnfold_windows_test(batch_windows_tests
  SOURCES ${TARNFOLD_WINDOWS_TESTS}/com_test_main.cpp
          ${TARNFOLD_WINDOWS_TESTS}/batch_windows_test.cpp
          ${TARNFOLD_WINDOWS_TESTS}/batch_stand_in_rows.cpp
  LIBS tarnfold_batch_program tarnfold_word_stand_in_support
  ARGS ${batch_tests_filter}
  PROPERTIES TIMEOUT 300 ENVIRONMENT "LC_ALL=ru_RU.UTF-8")
add_dependencies(batch_windows_tests batch_stand_in_program word_stand_in tarnfold-batch)
if(CMAKE_CROSSCOMPILING_EMULATOR)
  set_tests_properties(batch_windows_tests PROPERTIES FIXTURES_REQUIRED "word_stand_in;windows_database"
    ENVIRONMENT "LC_ALL=ru_RU.UTF-8;${TARNFOLD_DATABASE_ENVIRONMENT}")
endif()

# The release zip, made from this build and unpacked.
if(CMAKE_CROSSCOMPILING_EMULATOR)
  add_test(NAME batch_release_zip
    COMMAND ${TARNFOLD_WINDOWS_TESTS}/batch_release_zip_test ${TARNFOLD_ROOT} ${CMAKE_BINARY_DIR})
  set_tests_properties(batch_release_zip PROPERTIES TIMEOUT 300)
endif()
