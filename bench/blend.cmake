find_package(PkgConfig REQUIRED)
pkg_check_modules(PIXMAN REQUIRED IMPORTED_TARGET pixman-1)
velmora_add_bench(bench_blend SOURCES ${CMAKE_CURRENT_LIST_DIR}/blend.cpp LIBS velmora_raster PkgConfig::PIXMAN Qt6::Gui)
