# Text-table driver (a text file read as a table of lines).
target_sources(report_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/text_table.cpp ${CMAKE_CURRENT_LIST_DIR}/text_table.h)
