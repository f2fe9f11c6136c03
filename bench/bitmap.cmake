velmora_add_bench(bench_bitmap SOURCES ${CMAKE_CURRENT_LIST_DIR}/bitmap.cpp LIBS velmora_raster)
