# The text printout with the text engine's windows.
target_sources(app_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/text_print_gui.cpp)
