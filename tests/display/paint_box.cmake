velmora_add_test(display_paint_box_tests SOURCES ${VELMORA_TEST_DIR}/paint_box_test.cpp
  LIBS velmora_display QT)
