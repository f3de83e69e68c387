# The report engine's windows: preview, print dialog and progress.
target_sources(report_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/rp_preview.cpp ${CMAKE_CURRENT_LIST_DIR}/rp_preview.h
  ${CMAKE_CURRENT_LIST_DIR}/rp_printdialog.cpp ${CMAKE_CURRENT_LIST_DIR}/rp_printdialog.h)
