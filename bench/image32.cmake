velmora_add_bench(bench_image32 SOURCES ${CMAKE_CURRENT_LIST_DIR}/image32.cpp LIBS velmora_display Qt6::Widgets)
