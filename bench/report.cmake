# Report engine: generation of a long report into the page store; splay coder against zlib.
add_executable(report_bench ${CMAKE_CURRENT_LIST_DIR}/report_bench.cpp)
target_link_libraries(report_bench PRIVATE report_core ZLIB::ZLIB)
