# Times one-page stores (journal, locks, lock-file registration and fsyncs
# included) against the file's size, and a bare page write with fsync for
# comparison. Run by hand: build/ravelin-bench-store [FOLDER] (default /tmp).
add_executable(ravelin-bench-store ${CMAKE_CURRENT_LIST_DIR}/store_bench.cpp)
target_link_libraries(ravelin-bench-store PRIVATE jet)
target_compile_definitions(ravelin-bench-store PRIVATE RAVELIN_TESTDATA="${RAVELIN_TESTDATA}")
set_target_properties(ravelin-bench-store PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
