velmora_add_test(app_main_form_tests SOURCES ${VELMORA_TEST_DIR}/main_form_test.cpp
  LIBS velmora_app APP)
