# The imaging library's sources, shared by the platform build and the fuzz build.
set(ORV_CODEC_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/animation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bmp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/draw.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gif.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ico.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/memory_budget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png_words.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tiff.cpp
)
get_filename_component(ORV_CODEC_ROOT ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(GIF REQUIRED)
find_package(TIFF REQUIRED)
find_package(ZLIB REQUIRED)
# libdeflate: the Deflate stream of written PNG files, about twice as fast as zlib.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/libdeflate.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/libexif.cmake)
set(ORV_CODEC_LIBRARIES PNG::PNG JPEG::JPEG GIF::GIF TIFF::TIFF ZLIB::ZLIB ORVLIB::libdeflate
    ORVLIB::libexif)
