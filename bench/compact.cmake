# Times ravelin-jet compact and repair through the library on a user name
# database of 100,000 names. Run by hand: build/ravelin-bench-compact [ROWS].
add_executable(ravelin-bench-compact ${CMAKE_CURRENT_LIST_DIR}/compact_bench.cpp)
target_link_libraries(ravelin-bench-compact PRIVATE jet)
set_target_properties(ravelin-bench-compact PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
