# Fast replay of recorded pages (PDF export).
cotavia_gtest(report_replay_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/rp_replay_test.cpp LIBS report_core LABELS report)
