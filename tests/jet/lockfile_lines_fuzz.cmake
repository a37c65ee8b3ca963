# The monitor's line-by-line reading of lock files under libFuzzer.
ravelin_fuzz_target(lockfile_lines_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/lockfile_lines_fuzz.cpp
  LIBS jet
  SEEDS ${RAVELIN_TESTDATA}/lockfiles
  SECONDS 20)
