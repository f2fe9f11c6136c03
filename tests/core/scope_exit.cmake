velmora_add_test(core_scope_exit_tests SOURCES ${VELMORA_TEST_DIR}/scope_exit_test.cpp LIBS velmora_core)
