# Widget tests of the text print engine's windows, and the text printout run through them.
cotavia_qtest(textprint_windows_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/txwindows_test.cpp
  LIBS textprint_gui)
cotavia_qtest(text_print_gui_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_print_gui_test.cpp
  LIBS app_gui)
