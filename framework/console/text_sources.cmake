# Text windows: output, painting, resizing, line input, keys, menu and
# commands, and their log files.
target_sources(orv_framework PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/text_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_window_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/print.cpp
  ${CMAKE_CURRENT_LIST_DIR}/line_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_file.cpp
)
