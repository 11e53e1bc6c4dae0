# The imaging library: decoders and encoders over libpng, libjpeg-turbo,
# giflib and libtiff, with BMP/DIB and ICO of our own. It stands alone (no
# link to the rest of the platform) so that tests and fuzzers can use it by
# itself.
include(${CMAKE_CURRENT_LIST_DIR}/files.cmake)
add_library(orv_codec STATIC ${ORV_CODEC_SOURCES})
target_include_directories(orv_codec PUBLIC $<BUILD_INTERFACE:${ORV_LAYER_VIEWS}/platform>)
target_link_libraries(orv_codec PUBLIC ${ORV_CODEC_LIBRARIES})
target_link_libraries(orv_platform PUBLIC orv_codec)
