# Compiles one help project with chmcmd, run as
#   cmake -DCHMCMD=... -DPROJECT=<folder>/<name>.hhp -P compile_help.cmake
# in the output folder. Fails when a page links to a file that is not there,
# or the contents or index names a topic that is not there, so that a
# compiled help file never has a dead link.
get_filename_component(sources ${PROJECT} DIRECTORY)
get_filename_component(name ${PROJECT} NAME_WE)

foreach(list ${sources}/${name}.hhc ${sources}/${name}.hhk)
  if(EXISTS ${list})
    file(STRINGS ${list} locals REGEX "name=\"Local\"")
    foreach(line ${locals})
      string(REGEX REPLACE ".*value=\"([^\"#]+).*" "\\1" topic "${line}")
      if(NOT EXISTS ${sources}/${topic})
        message(FATAL_ERROR "${list} names ${topic}, which is not in ${sources}")
      endif()
    endforeach()
  endif()
endforeach()

file(REMOVE ${name}.chm)
execute_process(COMMAND ${CHMCMD} --html-scan ${PROJECT}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
string(REGEX MATCHALL "Warning:[^\n]*" warnings "${output}")
if(NOT result EQUAL 0 OR warnings)
  list(REMOVE_DUPLICATES warnings)
  message(FATAL_ERROR "chmcmd ${PROJECT} failed:\n${output}")
endif()
if(NOT EXISTS ${name}.chm)
  message(FATAL_ERROR "chmcmd wrote no ${name}.chm")
endif()
