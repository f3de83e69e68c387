# cotavia prices with cotavia fill: spreadsheets exported and imported, run as the real program.
cotavia_gtest(
  cli_prices_test
  SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/prices_test.cpp
  LIBS
  app_core
  LABELS
  cli)
target_compile_definitions(cli_prices_test PRIVATE COTAVIA_BIN="$<TARGET_FILE:cotavia>" COTAVIA_DEMO_DIR="${CMAKE_SOURCE_DIR}/demo")
add_dependencies(cli_prices_test cotavia)
