velmora_add_test(text_ini_tests SOURCES ${VELMORA_TEST_DIR}/ini_test.cpp LIBS velmora_text)
