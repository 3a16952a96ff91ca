# Programs people run (the desktop program and the command-line tools) are
# built into one folder, bin/ of the build folder, beside the shader files
# they load; the generated samples are in samples/ next to it. Installing
# puts them in the usual places.
set(BRIVONEL_PROGRAM_DIR "${CMAKE_BINARY_DIR}/bin")

function(brivonel_program target)
  # The generator expression keeps multi-configuration generators (Visual
  # Studio) from adding a folder per configuration: the programs stay beside
  # their shader files.
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "$<1:${BRIVONEL_PROGRAM_DIR}>")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
