# The graphic proposal report (TTCotavia3).
target_sources(app_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/proposal_report.cpp ${CMAKE_CURRENT_LIST_DIR}/proposal_report.h)
