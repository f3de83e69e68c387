# Windows of the text print engine: preview, setup, progress, and the engine's widget UI.
target_sources(textprint_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/txprevi.cpp ${CMAKE_CURRENT_LIST_DIR}/txprevi.h
  ${CMAKE_CURRENT_LIST_DIR}/txsetup.cpp ${CMAKE_CURRENT_LIST_DIR}/txsetup.h
  ${CMAKE_CURRENT_LIST_DIR}/txprogr.cpp ${CMAKE_CURRENT_LIST_DIR}/txprogr.h
  ${CMAKE_CURRENT_LIST_DIR}/txwidgetui.cpp ${CMAKE_CURRENT_LIST_DIR}/txwidgetui.h)
