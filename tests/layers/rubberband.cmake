velmora_add_test(layers_rubberband_tests SOURCES ${VELMORA_TEST_DIR}/rubberband_layer_test.cpp LIBS velmora_layers)
velmora_add_test(layers_rubberband_image_tests SOURCES ${VELMORA_TEST_DIR}/rubberband_image_test.cpp
  LIBS velmora_display velmora_layers QT)
