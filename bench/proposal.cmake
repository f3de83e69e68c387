# Reading, totalling and writing a proposal of 8999 items.
add_executable(proposal_bench ${CMAKE_CURRENT_LIST_DIR}/proposal_bench.cpp)
target_link_libraries(proposal_bench PRIVATE app_core)
