# qal_add_test(NAME SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s])
# One GoogleTest executable per tested concept. Tests run on Qt's offscreen platform
# in a fixed locale, and find their fixtures through QAL_TEST_DATA.
find_package(GTest REQUIRED)

set(QAL_TEST_DATA_DIR ${CMAKE_SOURCE_DIR}/tests/data)

function(qal_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT QAL_BUILD_TESTS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} qal_test_support GTest::gtest GTest::gmock)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  if(NOT T_LABELS)
    set(T_LABELS unit)
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
