# `cpack -G DEB` (run by `./dev package`): a Debian package of the installed
# tree. Library dependencies come from dpkg-shlibdeps (Debian's libqt6gui6
# also holds Qt's X11 platform plugin); the programs Ravelin starts but does
# not link are recommended.
# The changelog and copyright notice every Debian package carries, and the
# NOTICE the Apache License asks to ship.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/ravelin)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
  COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/docs/debian/changelog > ${PROJECT_BINARY_DIR}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/debian/changelog VERBATIM)
add_custom_target(ravelin-changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz ${PROJECT_SOURCE_DIR}/docs/debian/copyright ${PROJECT_SOURCE_DIR}/NOTICE
        DESTINATION ${doc_dir})

set(CPACK_PACKAGE_NAME ravelin)
set(CPACK_PACKAGE_VENDOR "The Ravelin developers")
set(CPACK_PACKAGE_CONTACT "The Ravelin developers <ravelin@ravelin.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "see who is using a shared Microsoft Access database")
set(CPACK_PACKAGE_DESCRIPTION
    "Ravelin shows who is using a shared Microsoft Access (Jet) database: the\n\
computers and security names in the database's lock file, whether each is\n\
still connected, and whether one left the database in a suspect state. It\n\
reads Access files with its own Jet engine. The package also holds the\n\
command-line tools ravelin-jet (tables, CSV export, checks of Access files),\n\
ravelin-jetclient (a simulated Jet client for demonstrations) and\n\
ravelin-who (the users of databases for shells and monitoring systems, with\n\
a systemd timer for the Prometheus node exporter, alerting rules and\n\
Nagios and Icinga 2 commands).")
set(CPACK_PACKAGE_INSTALL_DIRECTORY ravelin)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${RAVELIN_WEB_SITE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libcrypto is loaded at run time (for encrypted databases), unseen by shlibdeps.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libssl3 | libssl3t64")
# NBTSTAT runs nmblookup in a terminal; reports open in the desktop's text application.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "samba-common-bin, xterm | x-terminal-emulator, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
