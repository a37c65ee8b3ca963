# The engine under libFuzzer: open any bytes as a database and read every row,
# seeded with the real Access and workgroup files.
ravelin_fuzz_target(engine_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/engine_fuzz.cpp
  LIBS jet
  SEEDS ${RAVELIN_TESTDATA}/access ${RAVELIN_TESTDATA}/workgroup
  SECONDS 60)
