# The project's layers, each one static library built from one folder:
#
#   brivonel_layer(NAME FOLDER folder [USES layer...] SOURCES file...)
#
# USES lists the layers this one builds on; they are linked publicly, so a
# layer sees everything below it and nothing above. The folder's sources are
# also checked at build time: an #include of another project folder that is
# not among the layers it uses (directly or through them) stops the build
# with the offending line, so the picture in the README cannot drift.

# Every layer's folder, and for each layer the folders it may include.
set_property(GLOBAL PROPERTY BRIVONEL_LAYER_FOLDERS "")

function(brivonel_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 layer "" "FOLDER" "USES;SOURCES")
  add_library(${name} STATIC ${layer_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  brivonel_warnings(${name})

  set(allowed ${layer_FOLDER})
  foreach(used ${layer_USES})
    target_link_libraries(${name} PUBLIC ${used})
    get_property(used_allowed GLOBAL PROPERTY BRIVONEL_LAYER_ALLOWED_${used})
    list(APPEND allowed ${used_allowed})
  endforeach()
  list(REMOVE_DUPLICATES allowed)
  set_property(GLOBAL PROPERTY BRIVONEL_LAYER_ALLOWED_${name} ${allowed})
  set_property(GLOBAL APPEND PROPERTY BRIVONEL_LAYER_FOLDERS ${layer_FOLDER})

  # The check runs whenever one of the folder's files changes.
  file(GLOB_RECURSE checked CONFIGURE_DEPENDS
       "${CMAKE_SOURCE_DIR}/${layer_FOLDER}/*.h" "${CMAKE_SOURCE_DIR}/${layer_FOLDER}/*.cpp")
  set(stamp "${CMAKE_CURRENT_BINARY_DIR}/${name}.includes-checked")
  get_property(known GLOBAL PROPERTY BRIVONEL_LAYER_FOLDERS)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND}
            "-DLAYER=${name}" "-DFOLDER=${layer_FOLDER}" "-DALLOWED=${allowed}"
            "-DROOT=${CMAKE_SOURCE_DIR}" "-DSTAMP=${stamp}"
            -P "${BRIVONEL_LAYER_CHECK_SCRIPT}"
    DEPENDS ${checked} "${BRIVONEL_LAYER_CHECK_SCRIPT}"
    COMMENT "Checking that ${layer_FOLDER}/ includes only the layers it builds on"
    VERBATIM)
  add_custom_target(${name}_includes DEPENDS ${stamp})
  add_dependencies(${name} ${name}_includes)
endfunction()

set(BRIVONEL_LAYER_CHECK_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/CheckLayerIncludes.cmake")
