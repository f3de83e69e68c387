# Faults found by fuzzing the proposal data readers, checked through the public API.
cotavia_gtest(app_hostile_input_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/hostile_input_test.cpp LIBS app_core
              LABELS core)
