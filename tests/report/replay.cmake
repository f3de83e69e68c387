# Fast replay of recorded pages (PDF export).
cotavia_gtest(report_replay_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/rp_replay_test.cpp LIBS report_core LABELS report)
# PDF export of report files.
cotavia_gtest(report_export_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/rp_export_test.cpp ${CMAKE_CURRENT_LIST_DIR}/rp_test_util.h
  LIBS report_core LABELS report)
