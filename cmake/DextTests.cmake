# dext_add_tests(<executable> SOURCES <test files...> LIBS <libs...>)
# One test executable for a folder, made of the listed test files and linked
# with the given libraries and GoogleTest. ctest runs each of its test cases
# as a process of its own, headless; the cases are listed when the tests run
# and carry the executable's name as a label (ctest -L proof_tests).
#
# With BUILD_TESTING=OFF (a build of the programs only, such as the Debian
# packages') GoogleTest is not looked for: the folders still define their test
# targets, but GTest::* name nothing, and DextInstall.cmake leaves everything
# but what is installed out of the default build (dext_build_only).
if(BUILD_TESTING)
  enable_testing()
  find_package(GTest)
  if(NOT GTest_FOUND)
    message(FATAL_ERROR "GoogleTest was not found: install libgtest-dev and libgmock-dev "
                        "(scripts/setup does), or configure with -DBUILD_TESTING=OFF to "
                        "build the programs and libkvb without their tests.")
  endif()
  include(GoogleTest)
else()
  foreach(name gtest gtest_main gmock gmock_main)
    add_library(GTest::${name} INTERFACE IMPORTED)
  endforeach()
endif()

# `tests` builds every test executable and what the tests run.
add_custom_target(tests)

function(dext_add_tests name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_SOURCES OR ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "dext_add_tests(${name} SOURCES <files...> LIBS <libs...>)")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main
                                        Threads::Threads)
  # Whether libkvb reads its KVB_FAULT_* switches (kvb/src/testing/fault_switches.h).
  target_compile_definitions(${name} PRIVATE
                             KVB_FAULT_SWITCHES_BUILT=$<BOOL:${DEXT_FAULT_SWITCHES}>)
  # With clang (the sanitized build of scripts/test) GoogleTest's headers are
  # read once a test executable, not once a file: they take most of the time
  # a test file takes to compile. GCC 12 warns falsely (-Warray-bounds) about
  # std::string in a file compiled after the precompiled header.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    target_precompile_headers(${name} PRIVATE <gmock/gmock.h> <gtest/gtest.h>)
  endif()
  add_dependencies(tests ${name})
  if(BUILD_TESTING)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "DEXT_UI=headless" LABELS ${name})
  endif()
endfunction()

# The default build (cmake --build) makes the given targets and what they are
# made of, nothing else.
function(dext_build_only targets)
  dext_linked_targets(needed ${targets} ${ARGN})
  dext_all_targets(all)
  foreach(target IN LISTS all)
    get_target_property(type ${target} TYPE)
    if(NOT target IN_LIST needed AND NOT type STREQUAL "INTERFACE_LIBRARY")
      set_property(TARGET ${target} PROPERTY EXCLUDE_FROM_ALL ON)
    endif()
  endforeach()
endfunction()
