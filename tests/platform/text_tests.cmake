# Clipboard store, code page conversion and file-path services.
orv_add_test_executable(text_tests
  ${CMAKE_CURRENT_LIST_DIR}/text/clipboard_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text/codepage_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text/files_test.cpp
)
target_link_libraries(text_tests PRIVATE orv_text)
