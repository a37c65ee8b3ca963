# Lock-file slot parsing under libFuzzer, seeded with Jet's own lock file.
ravelin_fuzz_target(lockfile_slots_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/lockfile_slots_fuzz.cpp
  LIBS jet
  SEEDS ${RAVELIN_TESTDATA}/lockfiles
  SECONDS 30)

# The lock-file tests start the simulated Jet client as a child process.
if(TARGET jet_tests AND TARGET ravelin-jetclient)
  add_dependencies(jet_tests ravelin-jetclient)
endif()
