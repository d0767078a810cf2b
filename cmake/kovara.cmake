# Helpers shared by every folder of the build.

set_property(GLOBAL PROPERTY KOVARA_WINE_TESTS "")

# kovara_add_gtest(NAME BUILDS native|wine|product... SOURCES ... [LIBS ...]
#                  [DEFINITIONS ...] [INCLUDES ...] [OPTIONS ...] [DEPENDS ...])
# Declares a GoogleTest binary and the builds it runs in. In a build not named
# in BUILDS nothing is declared, so the call may name libraries that exist only
# in the named builds.
# Native build: a ctest test that runs the binary through scripts/lib/run-gtest
# (its results are named native-*, or native-asan-* in the sanitizer tree).
# Wine build: the binary is listed in wine-tests.txt for the Wine runner.
# Product build: the same, for the runner on Wine's 32-bit side; only the
# end-to-end flows name it, so the deliverables that ship are what they drive.
function(kovara_add_gtest name)
  cmake_parse_arguments(ARG "" "" "BUILDS;SOURCES;LIBS;DEFINITIONS;INCLUDES;OPTIONS;DEPENDS" ${ARGN})
  if(NOT ARG_BUILDS)
    message(FATAL_ERROR "kovara_add_gtest(${name}): name its builds (BUILDS native wine product)")
  endif()
  foreach(build ${ARG_BUILDS})
    if(NOT build MATCHES "^(native|wine|product)$")
      message(FATAL_ERROR "kovara_add_gtest(${name}): unknown build '${build}' (native, wine or product)")
    endif()
  endforeach()
  if(NOT KOVARA_BUILD IN_LIST ARG_BUILDS)
    return()
  endif()

  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gtest)
  if(ARG_DEFINITIONS)
    target_compile_definitions(${name} PRIVATE ${ARG_DEFINITIONS})
  endif()
  if(ARG_INCLUDES)
    target_include_directories(${name} PRIVATE ${ARG_INCLUDES})
  endif()
  if(ARG_OPTIONS)
    target_compile_options(${name} PRIVATE ${ARG_OPTIONS})
  endif()
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  if(KOVARA_BUILD STREQUAL "native")
    # The sanitizer tree reports under a name of its own beside the plain one.
    set(kind native)
    if(KOVARA_SANITIZE)
      set(kind native-asan)
    endif()
    add_test(NAME ${name}
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/lib/run-gtest ${kind} $<TARGET_FILE:${name}>)
  else()
    set_property(GLOBAL APPEND PROPERTY KOVARA_WINE_TESTS "$<TARGET_FILE:${name}>")
  endif()
endfunction()

function(kovara_write_test_list)
  get_property(tests GLOBAL PROPERTY KOVARA_WINE_TESTS)
  list(JOIN tests "\n" body)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/wine-tests.txt CONTENT "${body}\n")
  # The side of Wine that runs this tree's programs (scripts/lib/wine-env).
  if(KOVARA_BUILD STREQUAL "product")
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/wine-side.txt CONTENT "win32\n")
  elseif(KOVARA_BUILD STREQUAL "wine")
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/wine-side.txt CONTENT "win64\n")
  endif()
endfunction()

# Fails the configuration when a folder just below one of the roots, or just
# below a grouping folder of a root that has no CMakeLists.txt of its own
# (src/shell/ui), has a CMakeLists.txt but is added by no folder of the build
# (a folder that a merge brought in would otherwise never be built).
function(kovara_check_folder_list)
  set(added "")
  set(pending ${CMAKE_SOURCE_DIR})
  while(pending)
    list(POP_FRONT pending dir)
    get_directory_property(below DIRECTORY ${dir} SUBDIRECTORIES)
    list(APPEND added ${below})
    list(APPEND pending ${below})
  endwhile()
  foreach(root ${ARGN})
    file(GLOB lists RELATIVE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/${root}/*/CMakeLists.txt
         ${CMAKE_SOURCE_DIR}/${root}/*/*/CMakeLists.txt)
    foreach(list ${lists})
      get_filename_component(folder ${list} DIRECTORY)
      get_filename_component(parent ${folder} DIRECTORY)
      if(NOT parent STREQUAL root AND EXISTS ${CMAKE_SOURCE_DIR}/${parent}/CMakeLists.txt)
        continue()
      endif()
      if(NOT ${CMAKE_SOURCE_DIR}/${folder} IN_LIST added)
        message(FATAL_ERROR "${folder}/CMakeLists.txt is not in the folder list of the top CMakeLists.txt")
      endif()
    endforeach()
  endforeach()
endfunction()
