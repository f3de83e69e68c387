# Print dispatch ("Imprimir").
target_sources(app_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/print_dispatch.cpp)
