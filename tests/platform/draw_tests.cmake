# Drawing services: contexts, raster operations, fonts. Its own executable,
# so it builds while the rest of the platform layer is in progress.
orv_add_test_executable(draw_tests
  ${CMAKE_CURRENT_LIST_DIR}/draw/raster_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/draw/stretch_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/draw/font_test.cpp
  ${CMAKE_SOURCE_DIR}/platform/bitmap.cpp
)
target_link_libraries(draw_tests PRIVATE orv_draw)
target_link_options(draw_tests PRIVATE -rdynamic)  # exports the leak suppressions to the sanitizer runtime

# Window contexts need the window layer.
if(TARGET orv_platform)
  orv_add_test_executable(draw_window_tests ${CMAKE_CURRENT_LIST_DIR}/draw/window_dc_test.cpp)
  target_link_libraries(draw_window_tests PRIVATE orv_platform)
  target_link_options(draw_window_tests PRIVATE -rdynamic)
endif()
