# The tests of the ravelin-jet command-line tool run the built tool.
if(TARGET jet_tests AND TARGET ravelin-jet)
  add_dependencies(jet_tests ravelin-jet)
endif()
