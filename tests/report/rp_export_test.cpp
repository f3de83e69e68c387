// PDF export of report files: a damaged page is refused with nothing written, and pages that only
// Qt's PDF engine draws as the preview shows them still make a whole document.
#include <gtest/gtest.h>

#include <QFile>
#include <QFont>

#include "report/rp_export.h"
#include "report/rp_printer.h"
#include "rp_test_util.h"
#include "support/support.h"

using namespace cotavia;
using namespace cotavia::test;

namespace {

// A Letter landscape page of what report labels draw: a filled rectangle and a text.
QByteArray labelPage(int n) {
  TRpMetafile m;
  m.setBoundingRect(QRect(0, 0, 1056, 816));
  QPainter p(&m);
  p.fillRect(QRect(40, 40, 200, 20), Qt::white);
  QFont f(QStringLiteral("Liberation Sans"));
  f.setPixelSize(11);
  p.setFont(f);
  p.drawText(QPointF(40, 55), QStringLiteral("Página %1").arg(n));
  p.end();
  m.setBoundingRect(QRect(0, 0, 1056, 816));
  return bytes(m);
}

// A page with a dashed rule, which the writer leaves to Qt's engine.
QByteArray dashedPage() {
  TRpMetafile m;
  m.setBoundingRect(QRect(0, 0, 1056, 816));
  QPainter p(&m);
  p.setPen(QPen(Qt::black, 1, Qt::DashLine));
  p.drawLine(40, 100, 600, 100);
  p.end();
  m.setBoundingRect(QRect(0, 0, 1056, 816));
  return bytes(m);
}

QByteArray pdfPages(const QString& pdf) {
  QFile f(pdf);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(RpExport, ADamagedPageIsRefusedAndPagesOnlyQtDrawsStillExport) {
  TempDir dir;
  // Page 2 passes QPicture's checks but not the page check: the export names it, writes nothing.
  writeReportFile(dir.file("d.rpf"), {labelPage(1), damagedPage(), labelPage(3)});
  TRpPrinter damaged;
  damaged.Load(dir.file("d.rpf"));
  try {
    rpExportPdf(damaged, dir.file("d.pdf"));
    FAIL() << "a damaged page was exported";
  } catch (const ERpError& e) {
    EXPECT_TRUE(e.message().contains(dir.file("d.pdf"))) << e.what();
    EXPECT_TRUE(e.message().contains("page 2") || e.message().contains("damaged")) << e.what();
  }
  EXPECT_FALSE(dir.exists("d.pdf"));

  // A sound file: the writer's own pages; with a page it does not draw (a dashed rule), Qt's
  // engine makes the whole document.
  for (const bool withLine : {false, true}) {
    QList<QByteArray> pages = {labelPage(1), labelPage(2)};
    if (withLine) pages << dashedPage();
    writeReportFile(dir.file("s.rpf"), pages);
    TRpPrinter sound;
    sound.Load(dir.file("s.rpf"));
    rpExportPdf(sound, dir.file("s.pdf"));
    const QByteArray pdf = pdfPages(dir.file("s.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_TRUE(pdf.contains(QByteArray("/Count ") + QByteArray::number(pages.size()))) << withLine;
    EXPECT_EQ(pdf.contains("/Producer (Cotavia)"), !withLine);
  }
}
