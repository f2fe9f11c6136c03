velmora_add_test(display_img_view_tests SOURCES ${VELMORA_TEST_DIR}/img_view_test.cpp
  LIBS velmora_display QT)
