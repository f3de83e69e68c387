# The system print spooler (libcups).
target_sources(platform PRIVATE ${CMAKE_CURRENT_LIST_DIR}/cups.cpp ${CMAKE_CURRENT_LIST_DIR}/cups.h)
target_link_libraries(platform PUBLIC Cups::Cups)
