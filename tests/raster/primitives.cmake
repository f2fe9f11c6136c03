velmora_add_test(raster_primitives_tests SOURCES ${VELMORA_TEST_DIR}/primitives_test.cpp LIBS velmora_raster)
