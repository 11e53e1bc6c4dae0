# The imaging library's tests: their own executable, linked only with the
# codec library, so that they build while the rest of the platform grows.
orv_add_test_executable(codec_tests
  ${CMAKE_CURRENT_LIST_DIR}/codec/bad_input_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codec/bmp_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codec/draw_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codec/png_words_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codec/round_trip_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codec/samples_test.cpp
)
target_link_libraries(codec_tests PRIVATE orv_codec)
get_filename_component(ORV_CODEC_TEST_DATA ${CMAKE_CURRENT_LIST_DIR}/../data ABSOLUTE)
target_compile_definitions(codec_tests PRIVATE ORV_TEST_DATA="${ORV_CODEC_TEST_DATA}")
