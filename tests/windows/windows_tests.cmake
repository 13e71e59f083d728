# Test programs of the Windows build (included by cmake/windows_build.cmake).
# Each runs as one CTest entry; under Wine through the cross-compiling emulator.
set(TARNFOLD_WINDOWS_TESTS ${CMAKE_CURRENT_LIST_DIR})

function(tarnfold_windows_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;ARGS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest)
  target_include_directories(${name} PRIVATE ${TARNFOLD_WINDOWS_TESTS} ${TARNFOLD_ROOT}/tests)
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
          ${TARNFOLD_WINDOWS_TESTS}/windows_ui_test.cpp
          ${TARNFOLD_WINDOWS_TESTS}/regional_test.cpp
          ${TARNFOLD_WINDOWS_TESTS}/journal_share_test.cpp
          ${TARNFOLD_WINDOWS_TESTS}/win32_window_test.cpp
  LIBS tarnfold_platform_win32 tarnfold_win32_window tarnfold_word_com tarnfold_journal
  ARGS --gtest_filter=-RegionalFormats.*)

# The regional formats under the office's locale and under one whose day and
# hour go without leading zeros ("M/d/yyyy", "h:mm:ss tt").
foreach(locale ru_RU en_US)
  add_test(NAME regional_formats_${locale} COMMAND platform_win32_tests --gtest_filter=RegionalFormats.*)
  set_tests_properties(regional_formats_${locale} PROPERTIES TIMEOUT 60 ENVIRONMENT "LC_ALL=${locale}.UTF-8")
endforeach()

# The window's logic, the same tests as on Linux: it draws through a recording
# view and needs no toolkit.
tarnfold_windows_test(window_logic_tests
  SOURCES ${TARNFOLD_ROOT}/tests/window/main_window_logic_test.cpp
          ${TARNFOLD_ROOT}/tests/window/rules_and_layout_test.cpp
          ${TARNFOLD_ROOT}/tests/window/single_instance_rules_test.cpp
  LIBS tarnfold_window GTest::gtest_main)
target_include_directories(window_logic_tests PRIVATE ${TARNFOLD_ROOT}/tests/window)
target_compile_definitions(window_logic_tests PRIVATE TARNFOLD_SOURCE_DIR="${TARNFOLD_ROOT}")

if(TARGET tarnfold_db)
  tarnfold_windows_test(db_windows_tests
    SOURCES ${TARNFOLD_WINDOWS_TESTS}/client_library_test.cpp
    LIBS tarnfold_db GTest::gtest_main)
endif()

# A real database for the programs under Wine. The Windows client cannot be
# had here: a test-support fbclient.dll (a Wine builtin library, never
# shipped) hands the client calls to the Linux client. It lies in a folder of
# its own, so that the programs that must find no client find none; the tests
# copy it beside the programs. The database is the demo kvel.gdb made by the
# project's script, read with the embedded engine and through the tests'
# loopback Firebird server.
# winegcc builds libraries of a width only with Wine's development files of it.
find_program(TARNFOLD_WINEGCC winegcc)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(forwarding_bits -m32)
  set(forwarding_libraries /usr/lib/i386-linux-gnu/wine/i386-unix/libwinecrt0.a)
else()
  set(forwarding_bits -m64)
  set(forwarding_libraries /usr/lib/x86_64-linux-gnu/wine/x86_64-unix/libwinecrt0.a)
endif()
if(CMAKE_CROSSCOMPILING_EMULATOR AND TARNFOLD_WINEGCC AND EXISTS ${forwarding_libraries})
  set(TARNFOLD_FORWARDING_CLIENT ${CMAKE_BINARY_DIR}/forwarding-client/fbclient.dll)
  add_custom_command(OUTPUT ${TARNFOLD_FORWARDING_CLIENT}
    COMMAND ${TARNFOLD_WINEGCC} ${forwarding_bits} -shared -O2 -Wall -Wextra -o ${TARNFOLD_FORWARDING_CLIENT}
            ${TARNFOLD_WINDOWS_TESTS}/fbclient/fbclient.spec ${TARNFOLD_WINDOWS_TESTS}/fbclient/forwarding_client.c -ldl
    COMMAND ${CMAKE_COMMAND} -E rename ${TARNFOLD_FORWARDING_CLIENT}.so ${TARNFOLD_FORWARDING_CLIENT}
    DEPENDS ${TARNFOLD_WINDOWS_TESTS}/fbclient/fbclient.spec ${TARNFOLD_WINDOWS_TESTS}/fbclient/forwarding_client.c
    COMMENT "Forwarding Firebird client for Wine")
  add_custom_target(forwarding_client ALL DEPENDS ${TARNFOLD_FORWARDING_CLIENT})

  set(demo_database ${CMAKE_BINARY_DIR}/database/kvel.gdb)
  # The demo's templates as the stand-in word processor's documents.
  set(demo_templates ${CMAKE_BINARY_DIR}/database/DocF_2011)
  set(loopback_server ${CMAKE_BINARY_DIR}/firebird-server)
  add_test(NAME windows_demo_database COMMAND ${TARNFOLD_ROOT}/scripts/make-demo-db ${demo_database})
  add_test(NAME windows_demo_templates COMMAND ${TARNFOLD_WINDOWS_TESTS}/stand_in_demo_templates.py ${demo_templates})
  add_test(NAME windows_firebird_server_start COMMAND ${TARNFOLD_ROOT}/scripts/firebird-server start ${loopback_server})
  add_test(NAME windows_firebird_server_stop COMMAND ${TARNFOLD_ROOT}/scripts/firebird-server stop ${loopback_server})
  set_tests_properties(windows_demo_database windows_demo_templates windows_firebird_server_start PROPERTIES
    FIXTURES_SETUP windows_database TIMEOUT 120)
  set_tests_properties(windows_firebird_server_stop PROPERTIES FIXTURES_CLEANUP windows_database TIMEOUT 30)
  # The embedded engine of the programs' width: the i386 one cannot be
  # installed beside the amd64 one, so 32-bit tests go through the server.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(engine /usr/lib/i386-linux-gnu/firebird/3.0/plugins/libEngine12.so)
  else()
    set(engine /usr/lib/x86_64-linux-gnu/firebird/3.0/plugins/libEngine12.so)
  endif()
  if(EXISTS ${engine})
    set(embedded 1)
  else()
    set(embedded 0)
  endif()
  set(TARNFOLD_DATABASE_ENVIRONMENT
    "TARNFOLD_DEMO_DATABASE=${demo_database};TARNFOLD_DEMO_TEMPLATES=${demo_templates};TARNFOLD_FIREBIRD_SERVER=${loopback_server};TARNFOLD_FORWARDING_CLIENT=${TARNFOLD_FORWARDING_CLIENT};TARNFOLD_EMBEDDED_ENGINE=${embedded}")
endif()

# The stand-in word processor: an automation server of the tests that answers
# as "Word.Application" from a process of its own, over small text documents
# (text_document.h). Under Wine it is registered in the private prefix before
# the tests that need it; on Windows run "word_stand_in /RegServer" on a
# machine without Word (it never takes the identifier from Word itself).
add_library(tarnfold_word_stand_in_support STATIC
  ${TARNFOLD_WINDOWS_TESTS}/text_document.cpp
  ${TARNFOLD_WINDOWS_TESTS}/stand_in_registration.cpp)
target_include_directories(tarnfold_word_stand_in_support PUBLIC ${TARNFOLD_WINDOWS_TESTS})
target_link_libraries(tarnfold_word_stand_in_support PUBLIC tarnfold_core ole32 advapi32)

add_executable(word_stand_in ${TARNFOLD_WINDOWS_TESTS}/word_stand_in.cpp)
target_link_libraries(word_stand_in PRIVATE tarnfold_word_stand_in_support ole32 oleaut32 uuid)

# The Word back-end, and a whole export run with a stand-in database session,
# against the stand-in in its own process.
tarnfold_windows_test(word_server_tests
  SOURCES ${TARNFOLD_WINDOWS_TESTS}/com_test_main.cpp
          ${TARNFOLD_WINDOWS_TESTS}/word_server_test.cpp
          ${TARNFOLD_WINDOWS_TESTS}/export_server_test.cpp
  LIBS tarnfold_word_stand_in_support tarnfold_word_com tarnfold_export)
add_dependencies(word_server_tests word_stand_in)
if(CMAKE_CROSSCOMPILING_EMULATOR)
  add_test(NAME word_stand_in_registration COMMAND word_stand_in /RegServer)
  set_tests_properties(word_stand_in_registration PROPERTIES TIMEOUT 60 FIXTURES_SETUP word_stand_in)
  set_tests_properties(word_server_tests PROPERTIES FIXTURES_REQUIRED word_stand_in)
endif()

# The window program driven as a user drives it: the released tarnfold.exe
# over the demo database, started by the test in a folder of its own; keys
# posted to it, its controls read from the test's process, pictures of both
# states taken (BMP, turned into PNG under build/screenshots afterwards), and
# F10's export written by the stand-in word processor in a third process.
# The pictures go beside the Linux window's (build/screenshots) when this
# build lies inside the Linux build, as scripts/test puts it.
# The 32-bit build keeps its own.
if(EXISTS ${CMAKE_BINARY_DIR}/../CMakeCache.txt AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  get_filename_component(TARNFOLD_WINDOWS_SCREENSHOTS ${CMAKE_BINARY_DIR}/../screenshots ABSOLUTE)
else()
  set(TARNFOLD_WINDOWS_SCREENSHOTS ${CMAKE_BINARY_DIR}/screenshots)
endif()

tarnfold_windows_test(window_program_tests
  SOURCES ${TARNFOLD_WINDOWS_TESTS}/window_program_test.cpp
  LIBS tarnfold_word_stand_in_support tarnfold_window gdi32 user32 GTest::gtest_main)
set_tests_properties(window_program_tests PROPERTIES
  ENVIRONMENT "LC_ALL=ru_RU.UTF-8;TARNFOLD_SCREENSHOT_FOLDER=${TARNFOLD_WINDOWS_SCREENSHOTS};${TARNFOLD_DATABASE_ENVIRONMENT}")
add_dependencies(window_program_tests word_stand_in tarnfold)
if(CMAKE_CROSSCOMPILING_EMULATOR)
  set_tests_properties(window_program_tests PROPERTIES FIXTURES_REQUIRED "word_stand_in;windows_database")
  add_test(NAME windows_screenshots_png
    COMMAND sh -c "for picture in \"$1\"/windows-*.bmp; do convert \"$picture\" \"\${picture%.bmp}.png\" && rm \"$picture\" || exit 1; done"
            screenshots ${TARNFOLD_WINDOWS_SCREENSHOTS})
  set_tests_properties(windows_screenshots_png PROPERTIES DEPENDS window_program_tests TIMEOUT 60)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/batch_tests.cmake)
