velmora_add_test(layers_collection_tests SOURCES ${VELMORA_TEST_DIR}/layer_collection_test.cpp LIBS velmora_layers)
