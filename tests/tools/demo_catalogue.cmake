velmora_add_test(tools_demo_catalogue_tests
  SOURCES ${VELMORA_TEST_DIR}/demo_catalogue_test.cpp ${VELMORA_TEST_DIR}/demo_signs_test.cpp
  LIBS velmora_demo_catalogue velmora_text velmora_toolkit QT)
