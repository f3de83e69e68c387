// PDF export of report files: a damaged page is refused with nothing written, and pages that only
// Qt's PDF engine draws as the preview shows them still make a whole document; either way the
// cross-reference table holds and the text reads back, characters outside Windows-1252 too.
#include <gtest/gtest.h>

#include <QFile>
#include <QFont>
#include <QRegularExpression>

#include "report/output/rp_export.h"
#include "report/output/rp_printer.h"
#include "report/rp_test_util.h"
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
  // Page 2 also holds characters outside Windows-1252, between characters inside it.
  p.drawText(QPointF(40, 55), n == 2 ? QStringLiteral("Página 2 ≥ Ω ção") : QStringLiteral("Página %1").arg(n));
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

// What is wrong with the cross-reference table, empty when every entry is 20 bytes (readers seek
// to entry n at 20 * n) and each object in use starts where its entry says.
std::string xrefFault(const QByteArray& pdf) {
  const qsizetype start = pdf.lastIndexOf("startxref");
  if (start < 0) return "no startxref";
  bool ok = false;
  qsizetype at = pdf.mid(start + 9).trimmed().split('\n').value(0).trimmed().toLongLong(&ok);
  if (!ok || !pdf.mid(at).startsWith("xref")) return "startxref does not point at the table";
  at = pdf.indexOf('\n', at) + 1;
  static const QRegularExpression entry(R"(^(\d{10}) (\d{5}) ([nf])(\r\n| \n| \r)$)");
  while (at > 0 && !pdf.mid(at).startsWith("trailer")) {
    const qsizetype eol = pdf.indexOf('\n', at);
    const QList<QByteArray> head = pdf.mid(at, eol - at).trimmed().split(' ');
    if (eol < 0 || head.size() != 2) return "a section header is missing";
    const int first = head[0].toInt(), count = head[1].toInt();
    at = eol + 1;
    for (int i = 0; i < count; ++i, at += 20) {
      const QByteArray e = pdf.mid(at, 20);
      const auto m = entry.match(QString::fromLatin1(e));
      const std::string n = std::to_string(first + i);
      if (!m.hasMatch()) return "entry " + n + " is not 20 bytes: " + e.toStdString();
      const QByteArray obj = QByteArray::number(first + i) + ' ' + QByteArray::number(m.captured(2).toInt()) + " obj";
      if (m.captured(3) == "n" && !pdf.mid(m.captured(1).toLongLong()).startsWith(obj))
        return "entry " + n + " does not point at its object";
    }
  }
  return at > 0 ? std::string() : "no trailer";
}

// The text of a PDF as pdftotext reads it; empty when poppler-utils is not installed.
QString pdfText(const QString& pdf) { return poppler("pdftotext", {pdf, "-"}).simplified(); }

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
    EXPECT_EQ(xrefFault(pdf), "") << withLine;
    const QString text = pdfText(dir.file("s.pdf"));
    if (!text.isEmpty()) {
      EXPECT_TRUE(text.startsWith(QStringLiteral("Página 1 Página 2 ≥ Ω ção"))) << text.toStdString();
    }
  }
}
