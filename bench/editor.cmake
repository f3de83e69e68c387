# Proposal editor: opening a proposal of 8999 items until the grid is on screen.
add_executable(editor_bench ${CMAKE_CURRENT_LIST_DIR}/editor_bench.cpp)
target_link_libraries(editor_bench PRIVATE app_gui)
