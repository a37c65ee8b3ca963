# The main window and its commands: the top of the program's libraries.
set(sources)
foreach(name ${main_window_files})
  foreach(ext cpp h)
    if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/${name}.${ext} AND NOT name STREQUAL "main")
      list(APPEND sources ${CMAKE_CURRENT_LIST_DIR}/${name}.${ext})
    endif()
  endforeach()
endforeach()
ravelin_gui_library(ravelin_app SOURCES ${sources}
  PUBLIC Qt6::Widgets
  PRIVATE ravelin_app_common ravelin_readers ravelin_settings ravelin_usernames ravelin_report ravelin_shell
          ravelin_about)
