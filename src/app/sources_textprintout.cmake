# The proposal's text printout on the text print engine (headless).
target_sources(app_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/text_printout.cpp ${CMAKE_CURRENT_LIST_DIR}/text_printout.h)
