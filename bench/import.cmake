# Times ravelin-jet import through the library: 100,000 rows of four text
# columns into a new table, and into T_Main (a unique index) of a new user
# name database. Run by hand: build/ravelin-bench-import [FOLDER] [ROWS].
add_executable(ravelin-bench-import ${CMAKE_CURRENT_LIST_DIR}/import_bench.cpp)
target_link_libraries(ravelin-bench-import PRIVATE jet)
set_target_properties(ravelin-bench-import PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
