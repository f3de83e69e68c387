# The proposal screens driven with real key and mouse events (Qt Test, offscreen).
cotavia_qtest(start_screen_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/start_screen_test.cpp ${CMAKE_CURRENT_LIST_DIR}/gui_fixtures.h
              LIBS app_gui LABELS gui)
cotavia_qtest(editor_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/editor_test.cpp ${CMAKE_CURRENT_LIST_DIR}/gui_fixtures.h
              LIBS app_gui LABELS gui)
cotavia_qtest(pictures_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/pictures_test.cpp LIBS app_gui LABELS gui)
