velmora_add_bench(bench_jpeg SOURCES ${CMAKE_CURRENT_LIST_DIR}/jpeg.cpp LIBS velmora_raster JPEG::JPEG)
