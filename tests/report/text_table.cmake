cotavia_gtest(text_table_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_table_test.cpp LIBS report_core)
