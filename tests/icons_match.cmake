# The icons kept in resources/ are what tools/icon_generator draws:
#   cmake -DGENERATOR=... -DOUT=folder -DEXPECTED=resources -P icons_match.cmake
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND "${GENERATOR}" "${OUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the icon generator failed (${result})")
endif()
foreach(name brivonel.ico brivonel_small.ico)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUT}/${name}" "${EXPECTED}/${name}"
                  RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "resources/${name} differs from what the generator draws: "
                        "run brivonel-icon-generator resources")
  endif()
endforeach()
