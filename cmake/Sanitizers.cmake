# Sanitizers apply to the whole build so that every library and test agrees on the runtime.
if(TREVO_SANITIZE)
  string(REPLACE ";" "," _san "${TREVO_SANITIZE}")
  add_compile_options(-fsanitize=${_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_san})
  if(_san MATCHES "thread")
    add_compile_options(-O1)
  endif()
endif()

if(TREVO_FUZZ)
  # Instrument everything for coverage; only fuzz targets link the libFuzzer driver.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Shared libraries and modules must resolve every symbol at link time. Clang's sanitizer
# runtimes are linked only into executables, so the check is left to the g++ builds there.
if(NOT (TREVO_SANITIZE OR TREVO_FUZZ) OR CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(TREVO_NO_UNDEFINED_FLAG "-Wl,--no-undefined")
else()
  set(TREVO_NO_UNDEFINED_FLAG "")
endif()
