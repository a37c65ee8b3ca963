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

# The files compared, listed (not found by a pattern), so that the number of
# tests never depends on which files happen to be present: a missing one
# stops the configuration.
set(ravelin_differential_files
  access/adox_jet4.mdb access/bigIndexTestV2000.mdb access/compIndexTestV2000.mdb access/delTestV1997.mdb
  access/delTestV2000.mdb access/delTestV2007.accdb access/emptyJet4.mdb access/fixedNumericTestV2000.mdb
  access/fixedTextTestV2000.mdb access/indexCursorTestV2000.mdb access/indexTestV1997.mdb
  access/indexTestV2000.mdb access/indexTestV2007.accdb access/overflowTestV1997.mdb
  access/overflowTestV2000.mdb access/testPromotionV2000.mdb access/testV1997.mdb access/testV2000.mdb
  access/testV2007.accdb
  access-more/bigIndexTestV2007.accdb access-more/binIdxTestV2010.accdb access-more/calcFieldTestV2010.accdb
  access-more/compIndexTestV2007.accdb access-more/compIndexTestV2010.accdb
  access-more/complexDataTestV2007.accdb access-more/complexDataTestV2010.accdb
  access-more/delColTestV1997.mdb access-more/delColTestV2000.mdb access-more/delColTestV2007.accdb
  access-more/delColTestV2010.accdb access-more/extDateTestV2019.accdb
  access-more/fixedNumericTestV2007.accdb access-more/fixedNumericTestV2010.accdb
  access-more/fixedTextTestV2007.accdb access-more/fixedTextTestV2010.accdb
  access-more/indexCursorTestV2007.accdb access-more/indexCursorTestV2010.accdb access-more/linkeeTest.accdb
  access-more/linkerTestV2007.accdb access-more/odbcLinkerTestV2007.accdb access-more/oldDatesV2007.accdb
  access-more/overflowTestV2007.accdb access-more/overflowTestV2010.accdb access-more/queryTestV1997.mdb
  access-more/queryTestV2000.mdb access-more/queryTestV2007.accdb access-more/queryTestV2010.accdb
  access-more/test2V2000.mdb access-more/test2V2007.accdb access-more/test2V2010.accdb
  access-more/testEmoticonsV2010.accdb access-more/testIndexCodesV1997.mdb
  access-more/testIndexPropertiesV2000.mdb access-more/testIndexPropertiesV2007.accdb
  access-more/testIndexPropertiesV2010.accdb access-more/testPromotionV2007.accdb
  access-more/testPromotionV2010.accdb access-more/testRefGlobalV2000.mdb
  access-more/unsupportedFieldsTestV2007.accdb
  workgroup/system.mdw)
foreach(file ${ravelin_differential_files})
  if(NOT EXISTS ${RAVELIN_TESTDATA}/${file})
    message(FATAL_ERROR "The differential test's file ${RAVELIN_TESTDATA}/${file} is missing.")
  endif()
endforeach()

if(TARGET ravelin-jet)
  foreach(file ${ravelin_differential_files})
    get_filename_component(name ${file} NAME)
    string(MAKE_C_IDENTIFIER ${name} name)
    add_test(NAME jet_differential_${name}
      COMMAND ${RAVELIN_NODE} ${ravelin_differential_dir}/compare.mjs --tool $<TARGET_FILE:ravelin-jet>
              --file ${RAVELIN_TESTDATA}/${file})
    set_tests_properties(jet_differential_${name} PROPERTIES LABELS differential TIMEOUT 600)
  endforeach()
endif()

# The encrypted databases, read with their passwords, against mdb-reader.
if(TARGET ravelin-jet)
  add_test(NAME jet_differential_encrypted
    COMMAND ${RAVELIN_NODE} ${ravelin_differential_dir}/encrypted.mjs --tool $<TARGET_FILE:ravelin-jet> --testdata ${RAVELIN_TESTDATA})
  set_tests_properties(jet_differential_encrypted PROPERTIES LABELS differential)
endif()
