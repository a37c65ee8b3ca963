# Times one roster refresh's engine work: logging on through the workgroup
# file and reading the roster of a full lock file. Run by hand: build/ravelin-bench-roster
add_executable(ravelin-bench-roster ${CMAKE_CURRENT_LIST_DIR}/roster_bench.cpp)
target_link_libraries(ravelin-bench-roster PRIVATE jet)
target_compile_definitions(ravelin-bench-roster PRIVATE RAVELIN_TESTDATA="${RAVELIN_TESTDATA}")
set_target_properties(ravelin-bench-roster PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
