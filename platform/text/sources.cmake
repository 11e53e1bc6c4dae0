# Clipboard store, code page conversion and file-path services. Stands
# alone (no other platform sources) so back ends and tests can link it by
# itself; the platform library passes it on to its users.
add_library(orv_text STATIC
  ${CMAKE_CURRENT_LIST_DIR}/clipboard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codepage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files.cpp
)
target_include_directories(orv_text PUBLIC $<BUILD_INTERFACE:${ORV_LAYER_VIEWS}/platform>)
target_link_libraries(orv_text PUBLIC Threads::Threads)
target_link_libraries(orv_platform PUBLIC orv_text)
