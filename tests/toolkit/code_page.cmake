velmora_add_test(toolkit_code_page_tests SOURCES ${VELMORA_TEST_DIR}/code_page_test.cpp LIBS velmora_toolkit)
