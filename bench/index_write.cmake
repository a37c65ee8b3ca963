# Times index maintenance: 100,000 keys inserted into a unique text index,
# then looked up. Run by hand: build/ravelin-bench-index-write [KEYS].
add_executable(ravelin-bench-index-write ${CMAKE_CURRENT_LIST_DIR}/index_write_bench.cpp)
target_link_libraries(ravelin-bench-index-write PRIVATE jet)
target_compile_definitions(ravelin-bench-index-write PRIVATE RAVELIN_TESTDATA="${RAVELIN_TESTDATA}")
set_target_properties(ravelin-bench-index-write PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
