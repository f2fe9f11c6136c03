velmora_add_test(raster_transfer_tests SOURCES ${VELMORA_TEST_DIR}/transfer_test.cpp LIBS velmora_raster)
