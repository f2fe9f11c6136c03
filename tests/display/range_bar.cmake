velmora_add_test(display_range_bar_tests SOURCES ${VELMORA_TEST_DIR}/range_bar_test.cpp
  LIBS velmora_display QT)
