# `cmake --install` puts the user-program header, the static libraries and a
# CMake package (find_package(ORVLIB), ORVLIB::orvlib, orv_add_program) under
# the prefix. The package's target is written by hand: the libraries are
# linked as one group because the layers' archives refer to one another.
include(CMakePackageConfigHelpers)

set(ORV_INSTALLED_LIBRARIES orv_main orv_person orv_backends)
if(TARGET orv_qt)
  list(APPEND ORV_INSTALLED_LIBRARIES orv_qt)
  set(ORV_WITH_QT ON)
else()
  set(ORV_WITH_QT OFF)
endif()
list(APPEND ORV_INSTALLED_LIBRARIES orv_headless orv_imaging orv_framework orv_platform orv_draw orv_codec orv_text)

# The text-in-images module registers a start-up step of the framework:
# keep it in every program (see imaging/CMakeLists.txt).
set(ORV_PACKAGE_LINK_OPTIONS "-Wl,--undefined=orv_tttc")
if(ORV_SANITIZE)
  list(APPEND ORV_PACKAGE_LINK_OPTIONS "-fsanitize=address,undefined")
elseif(ORV_TSAN)
  list(APPEND ORV_PACKAGE_LINK_OPTIONS "-fsanitize=thread")
endif()

install(FILES ${CMAKE_SOURCE_DIR}/framework/orvlib.h DESTINATION include/orvlib/framework)
install(TARGETS ${ORV_INSTALLED_LIBRARIES} ARCHIVE DESTINATION lib/orvlib)
configure_file(${CMAKE_SOURCE_DIR}/cmake/ORVLIBConfig.cmake.in
               ${CMAKE_BINARY_DIR}/ORVLIBConfig.cmake @ONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/ORVLIBConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/ORVLIBConfig.cmake ${CMAKE_BINARY_DIR}/ORVLIBConfigVersion.cmake
              ${CMAKE_SOURCE_DIR}/cmake/orv_add_program.cmake
        DESTINATION lib/cmake/ORVLIB)
