velmora_add_test(raster_blend_tests SOURCES ${VELMORA_TEST_DIR}/blend_test.cpp LIBS velmora_raster)
