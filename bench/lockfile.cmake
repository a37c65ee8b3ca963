# Times the lock-file operation on a full lock file, with every user and with
# no user connected. Run by hand: build/ravelin-bench-lockfile
add_executable(ravelin-bench-lockfile ${CMAKE_CURRENT_LIST_DIR}/lockfile_bench.cpp)
target_link_libraries(ravelin-bench-lockfile PRIVATE jet)
target_compile_definitions(ravelin-bench-lockfile PRIVATE RAVELIN_TESTDATA="${RAVELIN_TESTDATA}")
set_target_properties(ravelin-bench-lockfile PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
