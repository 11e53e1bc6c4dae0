# Text windows: output, painting, resizing and line input.
target_sources(orv_framework PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/text_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/print.cpp
  ${CMAKE_CURRENT_LIST_DIR}/line_input.cpp
)
