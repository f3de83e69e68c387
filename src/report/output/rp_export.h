#pragma once
// Export filters of the report engine: ways to write a finished report's pages to a file of
// another format, listed in the preview's save dialog after the report file entry. The PDF
// filter is always registered: every page becomes one PDF page of the same size, drawn as
// vectors, with its texts kept as selectable text.
#include <QList>
#include <QString>
#include <functional>
#include <memory>

#include "report/output/rp_printer.h"

namespace cotavia {

struct TRpExportFilter {
  QString Description;  // "PDF document"
  QString Extension;    // "pdf" (without the dot)
  // Writes every page of the printer's finished document to the file. Throws ERpError naming
  // the file; the file is left as it was on failure.
  std::function<void(TRpPrinter& printer, const QString& fileName)> Export;
};

// The registered filters, in the order the save dialog lists them.
const QList<TRpExportFilter>& rpExportFilters();
void rpRegisterExportFilter(const TRpExportFilter& filter);

// The PDF filter. Fails with ERpError unless the printer holds a finished document with pages.
void rpExportPdf(TRpPrinter& printer, const QString& fileName);

// The PDF filter started before the report generates (the command line's way): as the printer's
// viewer it is told of every finished page, and makes the pages on other cores while the report
// goes on. Finish() after the generation waits for the last pages and writes the file, or fails
// as rpExportPdf does; destroyed without it, nothing is written.
class TRpPdfExport final : public TRpPrinterViewer {
 public:
  TRpPdfExport(TRpPrinter& printer, const QString& fileName);
  ~TRpPdfExport() override;
  void PageAvailable(int page) override;
  void PrinterDestroyed() override;
  void Finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace cotavia
