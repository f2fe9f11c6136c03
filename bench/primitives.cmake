velmora_add_bench(bench_primitives SOURCES ${CMAKE_CURRENT_LIST_DIR}/primitives.cpp LIBS velmora_raster)
