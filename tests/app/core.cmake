# Proposal core: amounts, proposal and supplier files, item entry, save/export, price lists.
cotavia_gtest(
  app_core_test
  SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/amounts_core_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/proposal_core_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/save_core_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/price_list_core_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages_core_test.cpp
  LIBS
  app_core
  LABELS
  core)

# The demo proposal's generator; the test keeps demo/ equal to what it writes.
add_executable(make_demo ${CMAKE_SOURCE_DIR}/tools/make_demo.cpp)
target_link_libraries(make_demo PRIVATE app_core)
add_test(NAME demo_proposal_is_current COMMAND make_demo --check ${CMAKE_SOURCE_DIR}/demo)
set_tests_properties(demo_proposal_is_current PROPERTIES LABELS core)
