# The report engine's windows: preview, print dialog, progress, and the PDF export filter.
cotavia_qtest(report_preview_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/report_preview_test.cpp LIBS report_gui
              LABELS report)
