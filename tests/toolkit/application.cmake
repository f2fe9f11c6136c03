# Has its own main: the application object under test must be the process's only QApplication.
velmora_add_test(toolkit_application_tests SOURCES ${VELMORA_TEST_DIR}/application_test.cpp
  LIBS velmora_toolkit Qt6::Test)
