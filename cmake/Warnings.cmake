# Warnings are on for every target of ours and kept clean.
function(brivonel_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive- /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual -Wnull-dereference
      -Wformat=2 -Wimplicit-fallthrough)
  endif()
endfunction()
