# Image windows and the pixels of the current image, on a running framework.
orv_add_test_executable(image_tests
  ${CMAKE_CURRENT_LIST_DIR}/image_window_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixels_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_files_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_menus_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/clipboard_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/test_program.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/layers_with_imaging.cpp
)
target_link_libraries(image_tests PRIVATE orv_imaging orv_headless)
