# Warnings are errors in every configuration.
add_compile_options(-Wall -Wextra -Wpedantic -Werror -Wshadow -Wnon-virtual-dtor)

if(RAVELIN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Adds a libFuzzer target; only built when RAVELIN_FUZZ is on (clang).
# The fuzz run itself is a test: it runs for a bounded time over the given seed folders.
function(ravelin_fuzz_target name)
  cmake_parse_arguments(F "" "SECONDS" "SOURCES;LIBS;SEEDS" ${ARGN})
  if(NOT RAVELIN_FUZZ)
    return()
  endif()
  if(NOT F_SECONDS)
    set(F_SECONDS 60)
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME ${name}
    COMMAND $<TARGET_FILE:${name}> -max_total_time=${F_SECONDS} -rss_limit_mb=2048 -timeout=10 ${corpus} ${F_SEEDS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT ${F_SECONDS}0)
endfunction()
