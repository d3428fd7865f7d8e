# dext_add_tests(<executable> SOURCES <test files...> LIBS <libs...>)
# One test executable for a folder, made of the listed test files and linked
# with the given libraries and GoogleTest. ctest runs each of its test cases
# as a process of its own, headless; the cases are listed when the tests run
# and carry the executable's name as a label (ctest -L proof_tests).
function(dext_add_tests name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_SOURCES OR ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "dext_add_tests(${name} SOURCES <files...> LIBS <libs...>)")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main
                                        Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "DEXT_UI=headless" LABELS ${name})
endfunction()
