velmora_add_bench(bench_transfer SOURCES ${CMAKE_CURRENT_LIST_DIR}/transfer.cpp LIBS velmora_raster Qt6::Gui)
