# Proposal data files, amounts, item entry rules, save/export and price lists (headless).
target_sources(
  app_core
  PRIVATE ${CMAKE_CURRENT_LIST_DIR}/amounts.cpp
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
