velmora_add_test(app_data_set_tests SOURCES ${VELMORA_TEST_DIR}/data_set_test.cpp LIBS velmora_catalogue)
