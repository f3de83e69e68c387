#include "report/rp_export.h"

#include "report/rp_printer.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace cotavia {

namespace {

QList<TRpExportFilter>& registry() {
  static QList<TRpExportFilter> list = {
      {QStringLiteral("PDF document"), QStringLiteral("pdf"), rpExportPdf},
  };
  return list;
}

// The page layout of a recorded page: its bounding rectangle is the whole page in page-store
// pixels (96 per inch).
QPageLayout layoutFor(const QRect& page) {
  const double w = page.width() * 72.0 / kRpScreenDpi;  // points
  const double h = page.height() * 72.0 / kRpScreenDpi;
  const bool landscape = w > h;
  const QPageSize size(landscape ? QSizeF(h, w) : QSizeF(w, h), QPageSize::Point, QString(), QPageSize::ExactMatch);
  return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

}  // namespace

const QList<TRpExportFilter>& rpExportFilters() { return registry(); }

void rpRegisterExportFilter(const TRpExportFilter& filter) { registry().append(filter); }

void rpExportPdf(TRpPrinter& printer, const QString& fileName) {
  const std::string name = fileName.toStdString();
  if (printer.Status() != TRpPrinterStatus::mpFinished)
    throw ERpError(QString::fromStdString(name + ": the report is not complete yet"));
  const int count = printer.PageCount();
  if (count < 1) throw ERpError(QString::fromStdString(name + ": the report has no page to export"));

  QSaveFile out(fileName);
  out.setDirectWriteFallback(false);
  if (!out.open(QIODevice::WriteOnly))
    throw ERpError(QString::fromStdString(name + ": " + out.errorString().toStdString()));
  {
    QPdfWriter pdf(&out);
    pdf.setCreator(QStringLiteral("Cotavia"));
    pdf.setTitle(printer.Title());
    pdf.setResolution(kRpScreenDpi);  // one PDF unit per page-store pixel: pages replay unscaled
    std::unique_ptr<TRpMetafile> page = printer.GetPage(1);
    if (!page) {
      out.cancelWriting();
      throw ERpError(QString::fromStdString(name + ": page 1 cannot be read"));
    }
    pdf.setPageLayout(layoutFor(page->boundingRect()));
    QPainter painter;
    if (!painter.begin(&pdf)) {
      out.cancelWriting();
      throw ERpError(QString::fromStdString(name + ": the PDF document cannot be started"));
    }
    for (int n = 1; n <= count; ++n) {
      if (n > 1) {
        page = printer.GetPage(n);
        if (!page) {
          painter.end();
          out.cancelWriting();
          throw ERpError(QString::fromStdString(name + ": page " + std::to_string(n) + " cannot be read"));
        }
        pdf.setPageLayout(layoutFor(page->boundingRect()));
        pdf.newPage();
      }
      painter.drawPicture(0, 0, *page);
    }
    painter.end();
  }
  if (!out.commit()) throw ERpError(QString::fromStdString(name + ": " + out.errorString().toStdString()));
}

}  // namespace cotavia
