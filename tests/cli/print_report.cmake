# cotavia print-report, run as the real program.
cotavia_gtest(cli_print_report_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/print_report_test.cpp LIBS platform LABELS cli)
target_include_directories(cli_print_report_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/app)
target_compile_definitions(cli_print_report_test PRIVATE COTAVIA_BIN="$<TARGET_FILE:cotavia>")
add_dependencies(cli_print_report_test cotavia)
