# The import's CSV reader under libFuzzer.
ravelin_fuzz_target(csv_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/csv_fuzz.cpp
  LIBS jet
  SECONDS 10)
