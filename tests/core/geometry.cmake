velmora_add_test(core_tests SOURCES ${VELMORA_TEST_DIR}/geometry_test.cpp LIBS velmora_core)
