# Build-time check of one layer's includes (run with cmake -P by the rule
# that brivonel_layer sets up). Every quoted include that names a project
# folder must name the layer's own folder or one of the folders it builds on.
# A subfolder that is a layer of its own (render/gl under render, say) counts
# as its own folder: the layer above it may not reach down into it.
#
# Inputs: LAYER, FOLDER, ALLOWED (list), ROOT, STAMP.
cmake_policy(VERSION 3.25)

# Project folders that an include can name; tools, tests and the like are
# never the business of a layer.
set(project_folders base physics formats model render app shaders tools tests bench fuzz)
set(platform_folders render/gl render/linux render/d3d11 render/windows
    app/linux app/linux/x11 app/windows app/windows/desktop app/offscreen formats/writer
    physics/bullet)

# The operating system's halves of the file mapping that the decoders call.
list(APPEND platform_folders formats/posix formats/windows)

file(GLOB_RECURSE files "${ROOT}/${FOLDER}/*.h" "${ROOT}/${FOLDER}/*.cpp")
set(problems "")
foreach(file ${files})
  file(RELATIVE_PATH relative "${ROOT}" "${file}")
  # Files of a platform subfolder belong to that subfolder's own layer (the
  # deepest one, when platform folders nest).
  set(owner "${FOLDER}")
  foreach(platform ${platform_folders})
    string(LENGTH "${platform}" platform_length)
    string(LENGTH "${owner}" owner_length)
    if(relative MATCHES "^${platform}/" AND platform_length GREATER owner_length)
      set(owner "${platform}")
    endif()
  endforeach()
  if(NOT owner STREQUAL FOLDER)
    continue()
  endif()
  # The physics engine's headers belong to its own folder alone: the rest of
  # the code reaches it through the physics layer's interface.
  if(NOT FOLDER STREQUAL "physics/bullet")
    file(STRINGS "${file}" engine_lines
         REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](bt[A-Z][^>\"]*|Bullet[^>\"]*|LinearMath/[^>\"]*)[>\"]")
    foreach(line ${engine_lines})
      string(APPEND problems "  ${relative}: ${line} (the physics engine's header)\n")
    endforeach()
  endif()
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" included "${line}")
    string(REGEX MATCH "^[^/]+" top "${included}")
    if(NOT top IN_LIST project_folders)
      continue()  # a header beside the file, or a library's
    endif()
    # The most specific folder the include lies in.
    set(target_folder "${top}")
    foreach(platform ${platform_folders})
      if(included MATCHES "^${platform}/")
        set(target_folder "${platform}")
      endif()
    endforeach()
    if(NOT target_folder IN_LIST ALLOWED)
      string(APPEND problems "  ${relative}: #include \"${included}\"\n")
    endif()
  endforeach()
endforeach()

if(problems)
  string(REPLACE ";" ", " allowed_text "${ALLOWED}")
  message(FATAL_ERROR
    "${LAYER} (${FOLDER}/) may include only ${allowed_text}; these reach elsewhere:\n"
    "${problems}")
endif()
file(WRITE "${STAMP}" "${ALLOWED}\n")
