# The engine's differential test: ravelin-jet must read every table of every
# test database exactly as the two independent readers do (mdb-export from
# mdbtools, and the npm package mdb-reader installed in tests/jet/oracle by
# `npm ci`). One test per file, so a failure names the file. A missing reader
# (or Node) makes these tests fail, never skip.
find_program(RAVELIN_NODE NAMES node nodejs)
if(NOT RAVELIN_NODE)
  set(RAVELIN_NODE node)  # ctest then reports the missing program as a failure
endif()
set(ravelin_differential_dir ${CMAKE_CURRENT_SOURCE_DIR}/differential)

# The harness itself, proved against a stand-in that follows ravelin-jet's
# contract, and against faults injected into that stand-in. Runs before the
# engine's tool exists too.
add_test(NAME jet_differential_harness
  COMMAND ${RAVELIN_NODE} ${ravelin_differential_dir}/harness/check-harness.mjs --testdata ${RAVELIN_TESTDATA})
# Slow (half the suite's time): run in CI, left out of ./dev test elsewhere.
set_tests_properties(jet_differential_harness PROPERTIES LABELS "differential;slow" TIMEOUT 600)
# Its parts (CSV reader, comparison rules) on cases the test files do not hold.
add_test(NAME jet_differential_rules
  COMMAND ${RAVELIN_NODE} --test ${ravelin_differential_dir}/harness/rules.test.mjs)
set_tests_properties(jet_differential_rules PROPERTIES LABELS differential)

if(TARGET ravelin-jet)
  file(GLOB ravelin_differential_files ${RAVELIN_TESTDATA}/access/*.mdb ${RAVELIN_TESTDATA}/access/*.accdb
    ${RAVELIN_TESTDATA}/access-more/*.mdb ${RAVELIN_TESTDATA}/access-more/*.accdb)
  list(SORT ravelin_differential_files)
  list(APPEND ravelin_differential_files ${RAVELIN_TESTDATA}/workgroup/system.mdw)
  foreach(file ${ravelin_differential_files})
    get_filename_component(name ${file} NAME)
    string(MAKE_C_IDENTIFIER ${name} name)
    add_test(NAME jet_differential_${name}
      COMMAND ${RAVELIN_NODE} ${ravelin_differential_dir}/compare.mjs --tool $<TARGET_FILE:ravelin-jet> --file ${file})
    set_tests_properties(jet_differential_${name} PROPERTIES LABELS differential TIMEOUT 600)
  endforeach()
endif()

# The encrypted databases, read with their passwords, against mdb-reader.
if(TARGET ravelin-jet)
  add_test(NAME jet_differential_encrypted
    COMMAND ${RAVELIN_NODE} ${ravelin_differential_dir}/encrypted.mjs --tool $<TARGET_FILE:ravelin-jet> --testdata ${RAVELIN_TESTDATA})
  set_tests_properties(jet_differential_encrypted PROPERTIES LABELS differential)
endif()
