# One refresh of the user list in lock-file library mode, with a full lock file.
if(TARGET ravelin_ui)
  add_executable(ravelin-bench-refresh ${CMAKE_CURRENT_LIST_DIR}/refresh_bench.cpp)
  target_link_libraries(ravelin-bench-refresh PRIVATE ravelin_ui)
  set_target_properties(ravelin-bench-refresh PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endif()
