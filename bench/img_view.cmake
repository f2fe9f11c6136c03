velmora_add_bench(bench_img_view SOURCES ${CMAKE_CURRENT_LIST_DIR}/img_view.cpp LIBS velmora_display Qt6::Widgets)
