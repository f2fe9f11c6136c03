velmora_add_test(layers_rubberband_tests SOURCES ${VELMORA_TEST_DIR}/rubberband_layer_test.cpp LIBS velmora_layers)
