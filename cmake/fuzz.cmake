# libFuzzer targets, for the native clang build only.
set(VANTREL_FUZZ OFF)
if(NOT WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(VANTREL_FUZZ ON)
endif()

# A libFuzzer target from one source plus the libraries it exercises, run for a bounded time among
# the ordinary native tests. New inputs go to the build tree; checked-in seeds are only read.
function(vantrel_fuzz_target name source)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE ${ARGN})
  target_compile_options(${name} PRIVATE ${VANTREL_WARNINGS} -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  set(work_corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
  file(MAKE_DIRECTORY ${work_corpus})
  add_test(NAME ${name} COMMAND ${name} -max_total_time=20 -print_final_stats=1 ${work_corpus})
  set_tests_properties(${name} PROPERTIES TIMEOUT 120)
endfunction()
