# dext_add_tests(<dir-name> LIBS <libs...>)
# Every *_test.cc in the calling folder becomes its own test executable,
# linked with the given libraries and GoogleTest, and registered with ctest.
function(dext_add_tests prefix)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cc)
  foreach(source ${test_sources})
    get_filename_component(name ${source} NAME_WE)
    set(target ${prefix}_${name})
    add_executable(${target} ${source})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "DEXT_UI=headless")
  endforeach()
endfunction()
