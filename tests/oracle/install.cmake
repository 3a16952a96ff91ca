# Installs the pose oracle's node packages, pinned in package-lock.json, into
# FOLDER with npm ci, unless that lock file is what was installed there last.
#   cmake -DNPM=<npm> -DFOLDER=<folder> -P install.cmake
set(stamp "${FOLDER}/node_modules/.brivonel-installed-lock.json")
file(READ "${FOLDER}/package-lock.json" wanted)
if(EXISTS "${stamp}")
  file(READ "${stamp}" installed)
  if(installed STREQUAL wanted)
    message(STATUS "pose oracle: packages already installed in ${FOLDER}")
    return()
  endif()
endif()
execute_process(COMMAND "${NPM}" ci --no-audit --no-fund --loglevel=error
                WORKING_DIRECTORY "${FOLDER}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pose oracle: npm ci failed (${result}); the npm registry must be reachable")
endif()
file(WRITE "${stamp}" "${wanted}")
message(STATUS "pose oracle: packages installed in ${FOLDER}")
