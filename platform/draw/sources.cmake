# Device contexts, raster operations and fonts. orv_draw stands on its own
# (the bitmap type is header-only for it); window contexts need the window
# layer and so are compiled into orv_platform.
find_package(Freetype REQUIRED)
find_package(Fontconfig REQUIRED)

add_library(orv_draw STATIC
  ${CMAKE_CURRENT_LIST_DIR}/builtin_font.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/font.cpp
  ${CMAKE_CURRENT_LIST_DIR}/font_lookup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/raster.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stretch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_runs.cpp
)
target_include_directories(orv_draw PUBLIC $<BUILD_INTERFACE:${ORV_LAYER_VIEWS}/platform>)
target_link_libraries(orv_draw PUBLIC Threads::Threads PRIVATE Freetype::Freetype Fontconfig::Fontconfig)

target_sources(orv_platform PRIVATE ${CMAKE_CURRENT_LIST_DIR}/window_dc.cpp)
target_link_libraries(orv_platform PUBLIC orv_draw)
