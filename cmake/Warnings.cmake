# Warning flags shared by every target of the project.
set(TREVO_WARNINGS
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wformat=2
    -Wimplicit-fallthrough)
# Clang checks the thread-safety annotations (platform/ThreadSafety.h); a finding fails the
# build in every clang preset (the tsan preset, with TREVO_WERROR, fails on any warning).
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  list(APPEND TREVO_WARNINGS -Wthread-safety -Werror=thread-safety)
endif()
if(TREVO_WERROR)
  list(APPEND TREVO_WARNINGS -Werror)
endif()

function(trevo_warnings target)
  target_compile_options(${target} PRIVATE ${TREVO_WARNINGS})
endfunction()
