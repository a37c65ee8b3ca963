# Times the table writer: 100,000 rows inserted into T_Main of a new user name
# database and read back, single-row store latency, and the file's size
# against the rows' bytes. Run by hand: build/ravelin-bench-rows [FOLDER] [ROWS].
add_executable(ravelin-bench-rows ${CMAKE_CURRENT_LIST_DIR}/rows_bench.cpp)
target_link_libraries(ravelin-bench-rows PRIVATE jet)
set_target_properties(ravelin-bench-rows PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
