# Its own main: the main window needs the application object.
velmora_add_test(app_image_form_tests SOURCES ${VELMORA_TEST_DIR}/image_form_test.cpp
  LIBS velmora_app Qt6::Test Qt6::Widgets)
