# Page switch of the main window against bare libjpeg decodes, and start-up of the program against a
# minimal Qt viewer, both on the demo catalogue beside the program.
add_executable(bench_minimal_viewer ${CMAKE_CURRENT_LIST_DIR}/minimal_viewer.cpp)
target_link_libraries(bench_minimal_viewer PRIVATE Qt6::Widgets)
# Not a benchmark itself, so it stays out of the folder bench.sh runs.
set_target_properties(bench_minimal_viewer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench_support)

velmora_add_bench(bench_main_form SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_form.cpp
  LIBS velmora_app Qt6::Test Qt6::Widgets JPEG::JPEG)
target_compile_definitions(bench_main_form PRIVATE
  VELMORA_PROGRAM="$<TARGET_FILE:velmora>"
  VELMORA_MINIMAL_VIEWER="$<TARGET_FILE:bench_minimal_viewer>")
add_dependencies(bench_main_form velmora bench_minimal_viewer)
