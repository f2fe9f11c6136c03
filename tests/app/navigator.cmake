velmora_add_test(app_navigator_tests SOURCES ${VELMORA_TEST_DIR}/navigator_test.cpp LIBS velmora_catalogue)
