velmora_add_test(raster_picture_fetch_tests SOURCES ${VELMORA_TEST_DIR}/picture_fetch_test.cpp
  LIBS velmora_raster JPEG::JPEG)
