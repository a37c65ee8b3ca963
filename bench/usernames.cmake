# Times the user name database window with 100,000 computer names: loading
# its list, resolving a user list of 255 rows against it, and reloading it
# after another program changed it. Run by hand:
# build/ravelin-bench-usernames [NAMES]
if(TARGET ravelin_ui)
  add_executable(ravelin-bench-usernames ${CMAKE_CURRENT_LIST_DIR}/usernames_bench.cpp)
  target_link_libraries(ravelin-bench-usernames PRIVATE ravelin_ui)
  # Another program writing the file: the engine's own tool.
  add_dependencies(ravelin-bench-usernames ravelin-jet)
  target_compile_definitions(ravelin-bench-usernames PRIVATE RAVELIN_JET_TOOL="$<TARGET_FILE:ravelin-jet>")
  set_target_properties(ravelin-bench-usernames PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endif()
