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
find_path(LIBDEFLATE_INCLUDE_DIR libdeflate.h REQUIRED)
find_library(LIBDEFLATE_LIBRARY deflate REQUIRED)
# libexif: the orientation tag of JPEG files from cameras and phones.
find_path(LIBEXIF_INCLUDE_DIR libexif/exif-data.h REQUIRED)
find_library(LIBEXIF_LIBRARY exif REQUIRED)
set(ORV_CODEC_LIBRARIES PNG::PNG JPEG::JPEG GIF::GIF TIFF::TIFF ZLIB::ZLIB ${LIBDEFLATE_LIBRARY}
    ${LIBEXIF_LIBRARY})
