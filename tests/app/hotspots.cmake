velmora_add_test(app_hotspots_tests SOURCES ${VELMORA_TEST_DIR}/hotspots_test.cpp
  LIBS velmora_app APP)
