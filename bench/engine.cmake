# Times our engine reading every row of small and large tables against
# mdbtools' mdb-export, and reports the engine's memory. Run by hand:
# build/ravelin-bench-engine [COPIES] (COPIES: how many times the large
# table's data pages are repeated; by default as many as its usage map reaches).
if(TARGET ravelin-jet)
  add_executable(ravelin-bench-engine ${CMAKE_CURRENT_LIST_DIR}/engine_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/engine_grow.cpp)
  target_link_libraries(ravelin-bench-engine PRIVATE jet)
  target_compile_definitions(ravelin-bench-engine PRIVATE
    RAVELIN_TESTDATA="${RAVELIN_TESTDATA}"
    RAVELIN_JET_TOOL="$<TARGET_FILE:ravelin-jet>")
  add_dependencies(ravelin-bench-engine ravelin-jet)
  set_target_properties(ravelin-bench-engine PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endif()
