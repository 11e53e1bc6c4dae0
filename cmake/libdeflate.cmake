# libdeflate as the imported target ORVLIB::libdeflate, for the codecs and
# for programs that link the installed package (Debian ships no CMake
# package for it).
if(NOT TARGET ORVLIB::libdeflate)
  find_path(LIBDEFLATE_INCLUDE_DIR libdeflate.h REQUIRED)
  find_library(LIBDEFLATE_LIBRARY deflate REQUIRED)
  add_library(ORVLIB::libdeflate UNKNOWN IMPORTED)
  set_target_properties(ORVLIB::libdeflate PROPERTIES
    IMPORTED_LOCATION ${LIBDEFLATE_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${LIBDEFLATE_INCLUDE_DIR})
endif()
