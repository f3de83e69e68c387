# Price lists in .xlsx and .ods files and the price export (spreadsheets made by the tests).
cotavia_gtest(
  app_spreadsheet_test
  SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/spreadsheet_core_test.cpp
  LIBS
  app_core
  LABELS
  core)
