# The graphic proposal report of 9000 items (334 pages): generation and PDF export.
add_executable(report_pdf_bench ${CMAKE_CURRENT_LIST_DIR}/report_pdf_bench.cpp)
target_link_libraries(report_pdf_bench PRIVATE app_core report_core)
