# vantrel_add_test(NAME SOURCES a.cpp b.cpp LIBS x y [LABELS l])
# One Qt Test executable per group of related cases, registered with ctest.
# Tests run with the offscreen platform so no display is needed.
#
# A Windows build runs its tests under Wine (CMAKE_CROSSCOMPILING_EMULATOR):
# only the groups in VANTREL_WINDOWS_TESTS, those that need no Linux-only
# peer (a PostgreSQL server, a pseudo-terminal of their own, the Linux device
# folder); the others are built but not run. Under Wine a serial printer is the
# virtual printer's pseudo-terminal by its Linux path, a USB printer a stand-in
# pipe (tests/support/PipePrinter.h).
set(VANTREL_WINDOWS_TESTS
  test_tagdata test_platform test_profile test_logs test_command_records test_status_command test_check_print
  test_settings test_setup_rules test_print_job test_csvreader test_xlsexport test_spreadsheetimport test_xlsread
  tst_quorvel tst_quorvel_silent test_journal test_updaterun test_updaterlog test_label_send test_answer_rules
  test_issue_supervision)

function(vantrel_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(WIN32 AND NOT name IN_LIST VANTREL_WINDOWS_TESTS)
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test vantrel_testsupport ${T_LIBS})
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test vantrel_testsupport ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  if(WIN32)
    add_dependencies(windows-tests ${name})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VANTREL_BIN_DIR=${CMAKE_BINARY_DIR}/bin;VANTREL_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
