velmora_add_test(raster_bitmap32_tests SOURCES ${VELMORA_TEST_DIR}/bitmap32_test.cpp LIBS velmora_raster)
