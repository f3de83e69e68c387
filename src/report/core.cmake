# Banded report engine core: page store, report printer, report and bands, printable controls,
# and the check of pages read from report files.
target_sources(report_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/rp_types.h ${CMAKE_CURRENT_LIST_DIR}/rp_types.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rp_pagestore.h ${CMAKE_CURRENT_LIST_DIR}/rp_pagestore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rp_pagecheck.h ${CMAKE_CURRENT_LIST_DIR}/rp_pagecheck.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rp_printer.h ${CMAKE_CURRENT_LIST_DIR}/rp_printer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rp_dataset.h ${CMAKE_CURRENT_LIST_DIR}/rp_dataset.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rp_measure.h
  ${CMAKE_CURRENT_LIST_DIR}/rp_controls.h ${CMAKE_CURRENT_LIST_DIR}/rp_controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rp_report.h ${CMAKE_CURRENT_LIST_DIR}/rp_report.cpp)
