# Text print engine: the proposal's text printout of 8999 items, printer bytes, job file, text export.
add_executable(textprint_bench ${CMAKE_CURRENT_LIST_DIR}/textprint_bench.cpp)
target_include_directories(textprint_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(textprint_bench PRIVATE app_core textprint_core)
