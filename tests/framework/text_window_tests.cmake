# Text windows and line input, driven as a person would on the headless back end.
orv_add_test_executable(text_window_tests
  ${CMAKE_CURRENT_LIST_DIR}/console/text_window_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/console/line_input_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/framework/test_program.cpp
)
target_link_libraries(text_window_tests PRIVATE orv_framework orv_headless)
