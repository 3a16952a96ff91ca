# Warnings are on for every target of ours and kept clean.
function(brivonel_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive- /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
      -Wformat=2 -Wimplicit-fallthrough)
    # GCC's null-dereference check fires inside the standard streams once
    # they are inlined at -O2; clang's is precise enough to keep.
    if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
      target_compile_options(${target} PRIVATE -Wnull-dereference)
    endif()
  endif()
endfunction()
