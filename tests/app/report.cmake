# The graphic proposal report, its PDF export and the print dispatch.
cotavia_gtest(proposal_report_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/proposal_report_test.cpp
              ${CMAKE_CURRENT_LIST_DIR}/proposal_pdf_test.cpp LIBS app_core LABELS report)
cotavia_qtest(print_dispatch_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/print_dispatch_test.cpp LIBS app_gui
              LABELS report)
