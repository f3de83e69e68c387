# Export filters (PDF).
target_sources(report_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/rp_export.cpp ${CMAKE_CURRENT_LIST_DIR}/rp_export.h
  ${CMAKE_CURRENT_LIST_DIR}/rp_replay.cpp ${CMAKE_CURRENT_LIST_DIR}/rp_replay.h)
