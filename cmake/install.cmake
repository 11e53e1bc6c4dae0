# `cmake --install` puts the user-program header, the static libraries and a
# CMake package (find_package(ORVLIB), ORVLIB::orvlib, orv_add_program) under
# the prefix. The libraries are exported with the links the build gives
# them, each to the layers below it, so a program links them in order.
include(CMakePackageConfigHelpers)

set(ORV_INSTALLED_LIBRARIES orvlib orv_main orv_person orv_backends orv_headless orv_imaging
                            orv_framework orv_platform orv_draw orv_codec orv_text)
if(TARGET orv_qt)
  list(APPEND ORV_INSTALLED_LIBRARIES orv_qt)
  set(ORV_WITH_QT ON)
else()
  set(ORV_WITH_QT OFF)
endif()
set_target_properties(orvlib PROPERTIES EXPORT_NAME orvlib)

install(FILES ${CMAKE_SOURCE_DIR}/framework/orvlib.h DESTINATION include/orvlib/framework)
install(TARGETS ${ORV_INSTALLED_LIBRARIES} EXPORT ORVLIBTargets ARCHIVE DESTINATION lib/orvlib)
install(EXPORT ORVLIBTargets NAMESPACE ORVLIB:: DESTINATION lib/cmake/ORVLIB)
configure_file(${CMAKE_SOURCE_DIR}/cmake/ORVLIBConfig.cmake.in
               ${CMAKE_BINARY_DIR}/ORVLIBConfig.cmake @ONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/ORVLIBConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/ORVLIBConfig.cmake ${CMAKE_BINARY_DIR}/ORVLIBConfigVersion.cmake
              ${CMAKE_SOURCE_DIR}/cmake/orv_add_program.cmake
              ${CMAKE_SOURCE_DIR}/cmake/libdeflate.cmake
              ${CMAKE_SOURCE_DIR}/cmake/libexif.cmake
        DESTINATION lib/cmake/ORVLIB)
