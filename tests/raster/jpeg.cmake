velmora_add_test(raster_jpeg_tests SOURCES ${VELMORA_TEST_DIR}/jpeg_test.cpp LIBS velmora_raster JPEG::JPEG)
# Damaged files kept as named samples beside the test.
target_compile_definitions(raster_jpeg_tests PRIVATE VELMORA_JPEG_TEST_DATA="${VELMORA_TEST_DIR}/data")
