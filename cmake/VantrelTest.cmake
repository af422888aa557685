# vantrel_add_test(NAME SOURCES a.cpp b.cpp LIBS x y [LABELS l])
# One Qt Test executable per group of related cases, registered with ctest.
# Tests run with the offscreen platform so no display is needed.
function(vantrel_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test vantrel_testsupport ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VANTREL_BIN_DIR=${CMAKE_BINARY_DIR}/bin;VANTREL_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
