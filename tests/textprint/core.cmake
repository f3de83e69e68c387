# Text print engine core, the proposal's text printout, and printing through a private CUPS server.
cotavia_gtest(textprint_core_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_test.cpp ${CMAKE_CURRENT_LIST_DIR}/models_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/output_test.cpp ${CMAKE_CURRENT_LIST_DIR}/files_test.cpp
  LIBS textprint_core)
target_include_directories(textprint_core_test PRIVATE ${CMAKE_SOURCE_DIR}/tests)

cotavia_gtest(textprint_printout_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/printout_test.cpp LIBS app_core)
target_include_directories(textprint_printout_test PRIVATE ${CMAKE_SOURCE_DIR}/tests)

cotavia_gtest(textprint_cups_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/cups_test.cpp LIBS app_core test_cups LABELS cups)
target_include_directories(textprint_cups_test PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(textprint_cups_test PRIVATE COTAVIA_BIN="$<TARGET_FILE:cotavia>")
add_dependencies(textprint_cups_test cotavia)
