# Runs the real program, with the demo catalogue the build draws beside it.
velmora_add_test(e2e_program_tests SOURCES ${VELMORA_TEST_DIR}/program_test.cpp LIBS velmora_toolkit QT)
target_compile_definitions(e2e_program_tests PRIVATE VELMORA_PROGRAM="$<TARGET_FILE:velmora>")
add_dependencies(e2e_program_tests velmora)
