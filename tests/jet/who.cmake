# ravelin-who's tests: the jet/who library driven directly, and the built
# tool run against real lock files held by the simulated Jet client and by
# SMB2 clients of a private Samba server.
file(GLOB who_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/who/*_test.cpp)
add_executable(who_tests ${who_test_sources})
target_link_libraries(who_tests PRIVATE jet_who jet_lockfile GTest::gtest_main)
target_compile_definitions(who_tests PRIVATE
  RAVELIN_TESTDATA="${RAVELIN_TESTDATA}"
  RAVELIN_BINARY_DIR="${PROJECT_BINARY_DIR}"
  RAVELIN_SMB_CLIENT="${PROJECT_SOURCE_DIR}/tests/readers/smb_jet_client.py")
add_dependencies(who_tests ravelin-who ravelin-jetclient)
gtest_discover_tests(who_tests DISCOVERY_MODE PRE_TEST WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
add_test(NAME who_monitoring
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/who/monitoring_test.sh ${PROJECT_BINARY_DIR} ${RAVELIN_TESTDATA})
