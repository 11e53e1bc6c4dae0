# libexif as the imported target ORVLIB::libexif: the orientation tag of
# JPEG files from cameras and phones, for the codecs and for programs that
# link the installed package (Debian ships no CMake package for it).
if(NOT TARGET ORVLIB::libexif)
  find_path(LIBEXIF_INCLUDE_DIR libexif/exif-data.h REQUIRED)
  find_library(LIBEXIF_LIBRARY exif REQUIRED)
  add_library(ORVLIB::libexif UNKNOWN IMPORTED)
  set_target_properties(ORVLIB::libexif PROPERTIES
    IMPORTED_LOCATION ${LIBEXIF_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${LIBEXIF_INCLUDE_DIR})
endif()
