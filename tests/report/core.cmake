# Report engine core: page store, report printer, generation loop, printable controls.
cotavia_gtest(report_core_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/rp_pagestore_test.cpp ${CMAKE_CURRENT_LIST_DIR}/rp_printer_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/rp_report_test.cpp ${CMAKE_CURRENT_LIST_DIR}/rp_label_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/rp_pagecheck_test.cpp ${CMAKE_CURRENT_LIST_DIR}/rp_test_util.h
  LIBS report_core LABELS report)
