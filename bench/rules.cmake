# Times Jet expressions: typical validation rules evaluated over rows, and a
# 100,000-row import into a Products table with its rules and defaults
# against the same import without them. Run by hand:
# build/ravelin-bench-rules [FOLDER] [ROWS].
add_executable(ravelin-bench-rules ${CMAKE_CURRENT_LIST_DIR}/rules_bench.cpp)
target_link_libraries(ravelin-bench-rules PRIVATE jet)
set_target_properties(ravelin-bench-rules PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
