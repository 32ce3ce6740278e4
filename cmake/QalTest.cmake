# qal_add_test(NAME SOURCES ... LIBS ... [APP core|gui|widgets] [LABELS ...] [TIMEOUT s])
# One GoogleTest executable per tested concept. Tests run on Qt's offscreen platform
# in a fixed locale, and find their fixtures through QAL_TEST_DATA. APP says which Qt
# application the test main makes: core (the default, logic without a windowing system),
# gui (logic that paints text) or widgets (windows; labelled gui).
find_package(GTest REQUIRED)

set(QAL_TEST_DATA_DIR ${CMAKE_SOURCE_DIR}/tests/fixtures)

function(qal_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT;APP" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT QAL_BUILD_TESTS)
    return()
  endif()
  if(NOT T_APP)
    set(T_APP core)
  endif()
  if(NOT T_APP MATCHES "^(core|gui|widgets)$")
    message(FATAL_ERROR "qal_add_test(${name}): APP must be core, gui or widgets")
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} qal_test_support qal_test_main_${T_APP} GTest::gtest GTest::gmock)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  if(NOT T_LABELS)
    if(T_APP STREQUAL "widgets")
      set(T_LABELS gui)
    else()
      set(T_LABELS unit)
    endif()
  endif()
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()

# qal_add_fuzzer(NAME SOURCES ... LIBS ...): a libFuzzer target, built only with QAL_FUZZ.
function(qal_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT QAL_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
