# Times ravelin-who's scan of a large folder tree and one JSON listing of a
# full lock file. Run by hand: build/ravelin-bench-who
add_executable(ravelin-bench-who ${CMAKE_CURRENT_LIST_DIR}/who_bench.cpp)
target_link_libraries(ravelin-bench-who PRIVATE jet_who jet_lockfile)
target_compile_definitions(ravelin-bench-who PRIVATE RAVELIN_TESTDATA="${RAVELIN_TESTDATA}"
                                                    RAVELIN_BINARY_DIR="${PROJECT_BINARY_DIR}")
add_dependencies(ravelin-bench-who ravelin-who)
set_target_properties(ravelin-bench-who PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
