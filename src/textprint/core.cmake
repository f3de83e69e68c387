# Text print engine core: job, printer models, output, job files, page renderer.
target_sources(textprint_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/txtypes.h
  ${CMAKE_CURRENT_LIST_DIR}/txmodels.h ${CMAKE_CURRENT_LIST_DIR}/txmodels.cpp
  ${CMAKE_CURRENT_LIST_DIR}/txitem.h ${CMAKE_CURRENT_LIST_DIR}/txitem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/txstate.h
  ${CMAKE_CURRENT_LIST_DIR}/txprint.h ${CMAKE_CURRENT_LIST_DIR}/txprint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/txoutput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/txfiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/txrender.cpp)
