# Helpers that give every module the same shape: include/<module>/ for what others use,
# src/ for the code, test/ for its unit tests.

# trevo_library(NAME [STATIC|SHARED] [HIDDEN] [LINK libs...] [PUBLIC_LINK libs...] [SOURCES ...])
# Sources default to every src/*.cpp of the calling folder.
function(trevo_library name)
  cmake_parse_arguments(A "STATIC;SHARED;HIDDEN" "" "LINK;PUBLIC_LINK;SOURCES" ${ARGN})
  if(NOT A_SOURCES)
    file(GLOB A_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp)
  endif()
  if(A_SHARED)
    add_library(${name} SHARED ${A_SOURCES})
    target_link_options(${name} PRIVATE ${TREVO_NO_UNDEFINED_FLAG})
  else()
    add_library(${name} STATIC ${A_SOURCES})
  endif()
  if(A_HIDDEN)
    set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden
                                             VISIBILITY_INLINES_HIDDEN ON)
  endif()
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/include)
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${A_LINK} PUBLIC ${A_PUBLIC_LINK})
  trevo_warnings(${name})
endfunction()

# trevo_plugin(NAME [LINK libs...] [SOURCES ...]): a module loaded by name at run time,
# named exactly as the deliverable (no "lib" prefix), symbols hidden but for the exports.
function(trevo_plugin name)
  cmake_parse_arguments(A "" "" "LINK;SOURCES" ${ARGN})
  if(NOT A_SOURCES)
    file(GLOB A_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp)
  endif()
  add_library(${name} MODULE ${A_SOURCES})
  set_target_properties(${name} PROPERTIES
      PREFIX ""
      CXX_VISIBILITY_PRESET hidden
      VISIBILITY_INLINES_HIDDEN ON
      LIBRARY_OUTPUT_DIRECTORY ${TREVO_PLUGIN_OUTPUT_DIR})
  target_link_options(${name} PRIVATE ${TREVO_NO_UNDEFINED_FLAG})
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/include)
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${A_LINK})
  trevo_warnings(${name})
endfunction()

# trevo_tests(NAME [LINK libs...] [SOURCES ...] [LABELS ...]): one GoogleTest binary;
# sources default to every test/*.cpp of the calling folder.
function(trevo_tests name)
  cmake_parse_arguments(A "" "" "LINK;SOURCES;LABELS" ${ARGN})
  if(NOT A_SOURCES)
    file(GLOB A_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test/*.cpp)
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LINK} GTest::gtest GTest::gmock GTest::gtest_main
                                        Threads::Threads)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/test)
  trevo_warnings(${name})
  if(NOT A_LABELS)
    set(A_LABELS unit)
  endif()
  gtest_discover_tests(${name}
      DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS ${A_LABELS} TIMEOUT 300
                 ENVIRONMENT "TREVO_PLUGIN_DIR=${TREVO_PLUGIN_OUTPUT_DIR}")
endfunction()

# trevo_fuzz(NAME SOURCES ... [LINK libs...]): a libFuzzer target. In the fuzz build it
# links the libFuzzer driver; elsewhere it links a replay main, and ctest replays the
# committed corpus in corpus/ beside it.
function(trevo_fuzz name)
  cmake_parse_arguments(A "" "" "LINK;SOURCES" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LINK})
  trevo_warnings(${name})
  if(TREVO_FUZZ)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_link_libraries(${name} PRIVATE trevo_fuzz_replay)
  endif()
  set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/corpus)
  if(TREVO_FUZZ)
    # libFuzzer adds what it finds to its first corpus folder: a scratch one in the build
    # tree, so that the committed seeds (read only) stay as they are.
    set(found ${CMAKE_CURRENT_BINARY_DIR}/${name}.found)
    file(MAKE_DIRECTORY ${found})
    set(test_name ${name}.smoke)
    add_test(NAME ${test_name}
             COMMAND ${name} -runs=20000 -max_total_time=20 ${found} ${corpus})
  else()
    set(test_name ${name}.replay)
    add_test(NAME ${test_name} COMMAND ${name} ${corpus})
  endif()
  set_tests_properties(${test_name} PROPERTIES LABELS fuzz TIMEOUT 300)
endfunction()

# trevo_bench(NAME SOURCES ... [LINK libs...]): a Google Benchmark program (built when
# TREVO_BENCH is on; run them from the release preset).
function(trevo_bench name)
  cmake_parse_arguments(A "" "" "LINK;SOURCES" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LINK} benchmark::benchmark Threads::Threads)
  trevo_warnings(${name})
endfunction()

# Adds every immediate sub-folder that has a CMakeLists.txt.
function(trevo_add_subdirs)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child}
       AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
