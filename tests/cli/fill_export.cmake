# cotavia fill / cotavia export, run as the real program.
cotavia_gtest(
  cli_fill_export_test
  SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/fill_export_test.cpp
  LIBS
  app_core
  LABELS
  cli)
target_include_directories(cli_fill_export_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/app)
target_compile_definitions(cli_fill_export_test PRIVATE COTAVIA_BIN="$<TARGET_FILE:cotavia>")
add_dependencies(cli_fill_export_test cotavia)
