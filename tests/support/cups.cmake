# A private CUPS server with a loopback listener for the printing tests.
add_library(test_cups STATIC ${CMAKE_CURRENT_LIST_DIR}/cups_server.cpp ${CMAKE_CURRENT_LIST_DIR}/cups_server.h)
target_include_directories(test_cups PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(test_cups PUBLIC Qt6::Core Cups::Cups)
