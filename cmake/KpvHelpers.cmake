# kpv_add_test(NAME name SOURCES a.cpp ... [LIBS lib ...] [LABELS l ...] [FIXTURES f ...] [FIREBIRD]
#              [SHARED_FRAMEWORK])
# Registers a Qt Test executable with CTest; every test runs headless. A test links the framework's static
# twin, every part of it in reach (framework/CMakeLists.txt); SHARED_FRAMEWORK marks a test that loads a
# package, which must meet the one framework the package uses, and reaches only what that exports. FIREBIRD marks a test that loads
# Firebird's client or engine (in itself or in the programs it starts): LeakSanitizer's tracer now and then
# crashes at the exit of such a process ("Tracer caught signal 11") after every test has passed, so the leak
# check is off there; the same code paths are leak-checked over SQLite by the other tests.
function(kpv_add_test)
  cmake_parse_arguments(T "FIREBIRD;SHARED_FRAMEWORK" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;FIXTURES" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  # Where the test finds the tables of expected values kept beside its sources (tests/support/expected_table.h).
  target_compile_definitions(${T_NAME} PRIVATE KPV_TEST_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
  set_target_properties(${T_NAME} PROPERTIES KPV_TEST ON)
  kpv_precompile_qt(${T_NAME})
  # A test includes its own moc: the file AUTOMOC adds beside it is empty, and loads no precompiled header.
  set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_autogen/mocs_compilation.cpp
                              PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
  if(NOT T_SHARED_FRAMEWORK)
    set_target_properties(${T_NAME} PROPERTIES KPV_STATIC_FRAMEWORK ON)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(detect_leaks 1)
  if(T_FIREBIRD)
    set(detect_leaks 0)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KPV_SOURCE_DIR=${CMAKE_SOURCE_DIR};KPV_BIN_DIR=${CMAKE_BINARY_DIR}/bin;ASAN_OPTIONS=detect_leaks=${detect_leaks}:abort_on_error=0;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1")
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
  if(T_FIXTURES)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED "${T_FIXTURES}")
  endif()
endfunction()
