# Export filters (PDF).
target_sources(report_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/rp_export.cpp ${CMAKE_CURRENT_LIST_DIR}/rp_export.h
  ${CMAKE_CURRENT_LIST_DIR}/rp_replay.cpp ${CMAKE_CURRENT_LIST_DIR}/rp_replay.h)
# The PDF writer: fonts embedded as subsets by HarfBuzz's subsetter, streams compressed by libdeflate.
pkg_check_modules(HARFBUZZ_SUBSET REQUIRED IMPORTED_TARGET harfbuzz-subset)
pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate)
target_sources(report_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/rp_pdf.cpp ${CMAKE_CURRENT_LIST_DIR}/rp_pdf.h)
target_link_libraries(report_core PRIVATE PkgConfig::HARFBUZZ_SUBSET PkgConfig::LIBDEFLATE)
