# Text windows and line input, driven as a person would on the headless back end.
orv_add_test_executable(text_window_tests
  ${CMAKE_CURRENT_LIST_DIR}/console/text_window_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/console/line_input_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/console/console_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/framework/test_program.cpp
  ${CMAKE_SOURCE_DIR}/tests/framework/layers_framework_only.cpp
)
target_link_libraries(text_window_tests PRIVATE orv_framework orv_headless)

# The text window's menu and keys, console commands and log files; with the
# imaging layer, whose colours the "color" command prints.
orv_add_test_executable(console_log_tests
  ${CMAKE_CURRENT_LIST_DIR}/console/console_commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/console/log_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/console/console_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/framework/test_program.cpp
  ${CMAKE_SOURCE_DIR}/tests/framework/layers_with_imaging.cpp
)
target_link_libraries(console_log_tests PRIVATE orv_framework orv_imaging orv_headless)

# Copy log through the real clipboard of a private X desktop, read back with xclip.
if(TARGET orv_qt)
  orv_add_program(orv_copy_log ${CMAKE_SOURCE_DIR}/tests/desktop/copy_log.cpp)
  add_test(NAME TextWindowDesktop.CopyLogReachesTheXClipboard
           COMMAND ${CMAKE_SOURCE_DIR}/tests/desktop/copy-log $<TARGET_FILE:orv_copy_log>)
  set_tests_properties(TextWindowDesktop.CopyLogReachesTheXClipboard
                       PROPERTIES TIMEOUT 180 ENVIRONMENT "${ORV_TEST_ENVIRONMENT}")
endif()
