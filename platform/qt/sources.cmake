# The desktop back end on Qt 6 Widgets: the only place that includes Qt.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
find_package(PkgConfig REQUIRED)
pkg_check_modules(ORV_XCB REQUIRED IMPORTED_TARGET xcb)  # what Qt's own X11 platform uses
add_library(orv_qt STATIC
  ${CMAKE_CURRENT_LIST_DIR}/frames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui_calls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/menus.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_backend.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_clipboard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows.cpp
)
target_link_libraries(orv_qt PUBLIC orv_platform orv_headless Qt6::Widgets PRIVATE PkgConfig::ORV_XCB)

