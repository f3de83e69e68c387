# Price lists in spreadsheets: the .xlsx/.ods reader (libzip, Qt's XML stream reader) and the
# price export (.xlsx through libxlsxwriter, or .csv), in the headless data library.
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET GLOBAL libzip)
pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET GLOBAL xlsxwriter)
target_sources(
  app_core_data
  PRIVATE ${CMAKE_CURRENT_LIST_DIR}/spreadsheet_read.cpp ${CMAKE_CURRENT_LIST_DIR}/spreadsheet_read.h
          ${CMAKE_CURRENT_LIST_DIR}/price_export.cpp ${CMAKE_CURRENT_LIST_DIR}/price_export.h)
target_link_libraries(app_core_data PUBLIC PkgConfig::LIBZIP PkgConfig::XLSXWRITER)
