# Its own main: the window needs the application object, whose error box the tests replace.
velmora_add_test(app_hotspots_tests SOURCES ${VELMORA_TEST_DIR}/hotspots_test.cpp
  LIBS velmora_app Qt6::Test Qt6::Widgets)
