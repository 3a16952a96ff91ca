# Cross build of the Windows program with Debian's mingw-w64 (64-bit, POSIX
# threads so that std::thread and std::mutex exist):
#   cmake -S . -B build/windows --toolchain cmake/mingw-w64-x86_64.cmake
# Executables are linked statically (the C and C++ runtimes and winpthread
# included), so they need nothing but the system's own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

# Libraries and headers come from the target's root only; programs (the
# code generators the build runs) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run under Wine when one is installed (ctest, gtest discovery).
find_program(BRIVONEL_WINE wine)
if(BRIVONEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${BRIVONEL_WINE})
endif()
