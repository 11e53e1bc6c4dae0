# The input box and the button box, driven as a person would.
orv_add_test_executable(box_tests
  ${CMAKE_CURRENT_LIST_DIR}/console/input_box_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/console/button_box_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/framework/test_program.cpp
  ${CMAKE_SOURCE_DIR}/tests/framework/layers_framework_only.cpp
)
target_link_libraries(box_tests PRIVATE orv_framework orv_headless)
