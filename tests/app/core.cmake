# Proposal core: amounts, proposal and supplier files, item entry, save/export, price lists.
cotavia_gtest(
  app_core_test
  SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/amounts_core_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/proposal_core_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/save_core_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/price_list_core_test.cpp
  LIBS
  app_core_data
  LABELS
  core)
