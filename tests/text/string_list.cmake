velmora_add_test(text_string_list_tests SOURCES ${VELMORA_TEST_DIR}/string_list_test.cpp LIBS velmora_text)
