# The proposal screens: start screen, proposal editor with its item panel, and their pictures.
target_sources(app_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/start_screen.cpp ${CMAKE_CURRENT_LIST_DIR}/start_screen.h
  ${CMAKE_CURRENT_LIST_DIR}/tutorial.cpp
  ${CMAKE_CURRENT_LIST_DIR}/editor.cpp ${CMAKE_CURRENT_LIST_DIR}/editor.h
  ${CMAKE_CURRENT_LIST_DIR}/item_grid.cpp ${CMAKE_CURRENT_LIST_DIR}/item_grid.h
  ${CMAKE_CURRENT_LIST_DIR}/screen_style.cpp ${CMAKE_CURRENT_LIST_DIR}/screen_style.h
  ${CMAKE_CURRENT_LIST_DIR}/pictures.cpp ${CMAKE_CURRENT_LIST_DIR}/pictures.h
  ${CMAKE_CURRENT_LIST_DIR}/pictures/pictures.qrc)
