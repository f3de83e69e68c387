# Proposal data files, amounts, item entry rules, save/export and price lists (headless). They
# form their own small library under app_core, so their tests and tools need nothing else.
add_library(
  app_core_data STATIC
  ${CMAKE_CURRENT_LIST_DIR}/amounts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/amounts.h
  ${CMAKE_CURRENT_LIST_DIR}/proposal_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/proposal_file.h
  ${CMAKE_CURRENT_LIST_DIR}/supplier.cpp
  ${CMAKE_CURRENT_LIST_DIR}/supplier.h
  ${CMAKE_CURRENT_LIST_DIR}/item_entry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/item_entry.h
  ${CMAKE_CURRENT_LIST_DIR}/save.cpp
  ${CMAKE_CURRENT_LIST_DIR}/save.h
  ${CMAKE_CURRENT_LIST_DIR}/price_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/price_list.h)
target_link_libraries(app_core_data PUBLIC platform Qt6::Core Qt6::Gui)
target_link_libraries(app_core PUBLIC app_core_data)
