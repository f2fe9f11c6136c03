velmora_add_test(toolkit_rtf_reader_tests SOURCES ${VELMORA_TEST_DIR}/rtf_reader_test.cpp LIBS velmora_toolkit QT)
target_compile_definitions(toolkit_rtf_reader_tests PRIVATE VELMORA_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
