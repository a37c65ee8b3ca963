# Times a lookup by key through an index against finding the same rows by
# scanning the table. Run by hand: build/ravelin-bench-index [ROUNDS].
add_executable(ravelin-bench-index ${CMAKE_CURRENT_LIST_DIR}/index_bench.cpp)
target_link_libraries(ravelin-bench-index PRIVATE jet)
target_compile_definitions(ravelin-bench-index PRIVATE RAVELIN_TESTDATA="${RAVELIN_TESTDATA}")
set_target_properties(ravelin-bench-index PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
