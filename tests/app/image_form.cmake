velmora_add_test(app_image_form_tests SOURCES ${VELMORA_TEST_DIR}/image_form_test.cpp
  LIBS velmora_app APP)
