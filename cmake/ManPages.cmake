# Every page in docs/man/ is compressed (as Debian ships manuals) and
# installed to the manual's section 1.
file(GLOB man_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/*.1)
set(man_outputs)
foreach(page ${man_pages})
  get_filename_component(name ${page} NAME)
  set(out ${PROJECT_BINARY_DIR}/man/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9 -n -c ${page} > ${out}
    DEPENDS ${page} VERBATIM)
  list(APPEND man_outputs ${out})
endforeach()
add_custom_target(ravelin-man-pages ALL DEPENDS ${man_outputs})
install(FILES ${man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
