# Its own main: the window needs the application object, whose error box the tests replace.
velmora_add_test(app_main_form_tests SOURCES ${VELMORA_TEST_DIR}/main_form_test.cpp
  LIBS velmora_app Qt6::Test Qt6::Widgets)
