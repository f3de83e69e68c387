# Widget tests of the text print engine's windows, and the text printout run through them.
cotavia_qtest(textprint_windows_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/txwindows_test.cpp
  LIBS textprint_gui)
