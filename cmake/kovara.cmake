# Helpers shared by every folder of the build.

set_property(GLOBAL PROPERTY KOVARA_WINE_TESTS "")

# kovara_add_gtest(NAME SOURCES ... LIBS ...)
# Native build: a ctest test that runs the binary through scripts/lib/run-gtest.
# Wine build: the binary is listed in wine-tests.txt for the Wine runner.
function(kovara_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gtest)
  if(KOVARA_BUILD STREQUAL "native")
    add_test(NAME ${name}
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/lib/run-gtest native $<TARGET_FILE:${name}>)
  else()
    set_property(GLOBAL APPEND PROPERTY KOVARA_WINE_TESTS "$<TARGET_FILE:${name}>")
  endif()
endfunction()

function(kovara_write_test_list)
  get_property(tests GLOBAL PROPERTY KOVARA_WINE_TESTS)
  list(JOIN tests "\n" body)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/wine-tests.txt CONTENT "${body}\n")
endfunction()
