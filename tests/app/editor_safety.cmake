velmora_add_test(app_editor_safety_tests SOURCES ${VELMORA_TEST_DIR}/editor_safety_test.cpp
  LIBS velmora_app APP)
# Spoilt pictures shared with the decoder's tests.
target_compile_definitions(app_editor_safety_tests PRIVATE VELMORA_RASTER_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/raster/data")
