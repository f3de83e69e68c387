# TNumEdit, the numeric entry field.
target_sources(controls_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/numedit.cpp ${CMAKE_CURRENT_LIST_DIR}/numedit.h)
