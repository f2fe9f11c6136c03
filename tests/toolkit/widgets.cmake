velmora_add_test(toolkit_widgets_tests SOURCES ${VELMORA_TEST_DIR}/widgets_test.cpp LIBS velmora_toolkit QT)
target_compile_definitions(toolkit_widgets_tests PRIVATE VELMORA_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
