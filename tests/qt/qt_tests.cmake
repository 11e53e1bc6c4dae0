# Desktop back-end tests: real widgets on Qt's offscreen platform.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
orv_add_test_executable(qt_tests
  ${CMAKE_CURRENT_LIST_DIR}/qt_test_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_window_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_services_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_box_test.cpp
)
target_link_libraries(qt_tests PRIVATE orv_framework orv_qt Qt6::Test)
target_link_options(qt_tests PRIVATE -rdynamic)  # exports the leak suppressions to the sanitizer runtime

# The same layouts on a screen of twice the density.
add_test(NAME QtWindowTest.MenuBarAndControlTextFitDevicePixelLayoutsAtScaleTwo
         COMMAND qt_tests --gtest_filter=QtWindowTest.MenuBarAndControlTextFitDevicePixelLayouts)
set_tests_properties(QtWindowTest.MenuBarAndControlTextFitDevicePixelLayoutsAtScaleTwo
                     PROPERTIES ENVIRONMENT "QT_SCALE_FACTOR=2;${ORV_TEST_ENVIRONMENT}" TIMEOUT 120)

# Files dragged from another program, for the desktop scripts.
add_executable(orv_drag_source ${CMAKE_CURRENT_LIST_DIR}/drag_source.cpp)
target_link_libraries(orv_drag_source PRIVATE Qt6::Widgets)
