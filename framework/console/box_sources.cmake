# The input box and the button box, with the window procedure they share.
target_sources(orv_framework PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/box_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/input_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/button_box.cpp
)
