target_sources(bench_thumbnailer PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/GuiStallProbe.cpp)
