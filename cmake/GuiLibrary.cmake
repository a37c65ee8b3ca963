# The program's windows are built as one static library per folder, bottom
# up: base (the foundation every window uses), shell, about, usernames,
# readers, settings, report, maintenance (compact and repair), and app (the
# main window) on top. A library links only what it uses: PUBLIC where its headers include
# the other library's, PRIVATE where only its sources do.
#
# The build holds the layers: at configure time every project header a
# library's files include must belong to the library itself, to one it links
# (jet/ headers: to a jet library it links), and so to one declared before
# it. An include that reaches up or sideways stops the configuration.
#
#   ravelin_gui_library(<name> SOURCES <files...> [PUBLIC <libs...>] [PRIVATE <libs...>])
function(ravelin_gui_library name)
  cmake_parse_arguments(arg "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  add_library(${name} STATIC ${arg_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  # Headers are named by their path from the top: "base/MessageBoxes.h".
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${arg_PUBLIC} PRIVATE ${arg_PRIVATE})

  foreach(file ${arg_SOURCES})
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${file})
    set_property(GLOBAL PROPERTY ravelin_gui_owner_${relative} ${name})
  endforeach()
  set(allowed ${name} ${arg_PUBLIC} ${arg_PRIVATE})
  foreach(file ${arg_SOURCES})
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${file})
    file(STRINGS ${file} includes REGEX "^#include \"")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
      if(header MATCHES "^jet/")
        set(owner "")
        foreach(lib ${allowed})
          if(lib MATCHES "^jet")
            set(owner ${lib})
          endif()
        endforeach()
      else()
        get_property(owner GLOBAL PROPERTY ravelin_gui_owner_${header})
      endif()
      if(NOT owner OR NOT owner IN_LIST allowed)
        if(NOT owner)
          set(owner "no library declared before ${name}")
        endif()
        message(FATAL_ERROR "${relative} includes ${header} (${owner}), which is not in ${name} or a library "
                            "it links (${arg_PUBLIC} ${arg_PRIVATE}): layer ${name} may only include what it links")
      endif()
    endforeach()
  endforeach()
endfunction()
