velmora_add_bench(bench_ini SOURCES ${CMAKE_CURRENT_LIST_DIR}/ini.cpp LIBS velmora_catalogue)
