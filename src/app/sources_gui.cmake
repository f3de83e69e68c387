# The proposal screens: start screen, proposal editor with its item panel, and their pictures.
target_sources(app_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/pictures.cpp ${CMAKE_CURRENT_LIST_DIR}/pictures.h
  ${CMAKE_CURRENT_LIST_DIR}/pictures/pictures.qrc)
