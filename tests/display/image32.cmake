velmora_add_test(display_image32_tests SOURCES ${VELMORA_TEST_DIR}/image32_test.cpp
  LIBS velmora_display velmora_layers QT)
