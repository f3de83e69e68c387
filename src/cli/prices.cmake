# cotavia prices: the price export.
target_sources(cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/cmd_prices.cpp)
