// The proposal report exported as PDF, checked with poppler's pdfinfo and pdftotext: page count,
// paper, selectable text, and where the numbers stand against their column titles.
#include "app/core/proposal_report.h"

#include "core_fixtures.h"
#include "report/output/rp_export.h"
#include "report/output/rp_printer.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

using namespace cotavia;
using test::Item;

namespace {

struct Word {
  double xMin, yMin, xMax, yMax;
  QString text;
};

// Words of one page with their boxes (points), from pdftotext -bbox.
QList<Word> words(const QString& pdf, int page) {
  const QString html =
      test::poppler("pdftotext", {"-bbox", "-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
  QList<Word> out;
  static const QRegularExpression re(
      R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
  for (auto it = re.globalMatch(html); it.hasNext();) {
    auto m = it.next();
    out << Word{m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(), m.captured(4).toDouble(),
                m.captured(5)};
  }
  return out;
}

}  // namespace

TEST(ProposalPdf, PagesPaperTextAndColumnsOfTheExportedReport) {
  if (!test::hasPoppler()) GTEST_SKIP() << "poppler-utils not installed";
  test::TempDir dir;

  QList<QByteArray> lines = test::standardHeader();
  for (int i = 1; i <= 60; ++i) {
    Item it;
    it.number = QByteArray::number(i).rightJustified(4, '0');
    it.quantity = "25000";
    it.price = "12345678";
    it.discount = "100";
    it.surcharge = "200";
    it.total = i == 1 ? "123456" : "50";
    it.brand = "MARCA" + it.number;
    if (i == 2) {
      // 100 characters, wider than the description column: only the first line prints.
      it.description = "PRIMEIRAPARTE " + QByteArray(70, 'W') + " ULTIMAPARTEX";
    }
    lines << test::itemLine(it);
  }
  dir.write("E12345678000195_P0001.KVT", test::joinCrLf(lines));  // saved
  dir.write("FORNEC.KSD", "Papelaria Modelo Ltda\r\nRua B, 2\r\nLondrina\r\n");

  TTCotavia3 r;
  layOutForPdf(r.RpReport, "Test PDF", dir.file("printed.pdf"));
  r.OpenProposal(ProposalRef{dir.path(), "P0001.KVT", "12345678000195"});
  r.RpReport.Preview();
  const QString pdf = dir.file("proposta.pdf");
  rpExportPdf(*r.RpReport.RpPrinter(), pdf);

  const QString info = test::poppler("pdfinfo", {pdf});
  for (const char* line :
       {"Title:           Proposta P0001 - PREFEITURA MUNICIPAL DE SÃO TESTE\n",
        "Author:          Papelaria Modelo Ltda - CNPJ: 12.345.678/0001-95\n", "Creator:         Cotavia\n"})
    EXPECT_TRUE(info.contains(QString::fromUtf8(line))) << info.toStdString();
  EXPECT_TRUE(info.contains(QRegularExpression(R"(Pages:\s+3\n)"))) << info.toStdString();
  EXPECT_TRUE(info.contains(QRegularExpression(R"(Page size:\s+842.25 x 595.5 pts \(A4\))"))) << info.toStdString();

  const QString text = test::poppler("pdftotext", {pdf, "-"});
  for (const char* s :
       {"Licitação - Proposta Eletrônica", "PREFEITURA MUNICIPAL DE SÃO TESTE", "Papelaria Modelo Ltda",
        "CNPJ: 12.345.678/0001-95", "Rua B, 2 - Londrina", "Página", "Descrição", "Acréscimo", "1.234,5678",
        "MARCA0060", "PRIMEIRAPARTE", "Total:", "ULTIMAPARTEX"})  // the description's last line, under its first ones
    EXPECT_TRUE(text.contains(QString::fromUtf8(s))) << s;
  // 1234,56 + 59 x 0,50
  EXPECT_TRUE(text.contains("1.264,06")) << text.toStdString();
  EXPECT_EQ(text.count(QString::fromUtf8("Licitação - Proposta Eletrônica")), 3);

  // Page 1: every number ends at the same right edge, under its column title.
  const QList<Word> w = words(pdf, 1);
  ASSERT_FALSE(w.isEmpty());
  auto title = [&](const QString& t) {
    for (const Word& x : w)
      if (x.text == t) return x;
    return Word{-1, -1, -1, -1, {}};
  };
  const Word tTotal = title("Total"), tQuant = title("Quantidade"), tMarca = title("Marca");
  ASSERT_GT(tTotal.xMax, 0);
  ASSERT_GT(tQuant.xMax, 0);
  QList<double> totalEdges, quantEdges;
  for (const Word& x : w) {
    if (x.yMin <= tTotal.yMax) continue;  // below the titles only
    if (x.text == "0,50" || x.text == "1.234,56") totalEdges << x.xMax;
    if (x.text == "2,5000") quantEdges << x.xMax;
  }
  ASSERT_EQ(totalEdges.size(), 25);  // item 2 takes three lines
  ASSERT_EQ(quantEdges.size(), 25);
  for (double e : totalEdges) EXPECT_NEAR(e, totalEdges.first(), 0.5);
  for (double e : quantEdges) EXPECT_NEAR(e, quantEdges.first(), 0.5);
  // Right-aligned amounts end past their title's start and before the next column's title.
  EXPECT_GT(totalEdges.first(), tTotal.xMin);
  EXPECT_LT(totalEdges.first(), tMarca.xMin);
  EXPECT_GT(quantEdges.first(), tQuant.xMin);
  // Everything stays within what A4 and Letter landscape have in common (792 points wide, 595
  // high), with its margins.
  for (const Word& x : w) {
    EXPECT_GE(x.xMin, 0) << x.text.toStdString();
    EXPECT_LE(x.xMax, 792 - 14) << x.text.toStdString();
    EXPECT_LE(x.yMax, 595 - 28) << x.text.toStdString();
  }
}

// A page of the PDF rasterised by poppler at 100 dpi against the same page drawn as the preview
// draws it (antialiased, scaled to the same size): the same marks in the same places, where the
// two rasterisers differ only in the shades of glyph edges.
TEST(ProposalPdf, APageLooksAsThePreviewDrawsIt) {
  if (!test::hasPoppler()) GTEST_SKIP() << "poppler-utils not installed";
  test::TempDir dir;
  QList<QByteArray> lines = test::standardHeader();
  for (int i = 1; i <= 30; ++i) {
    Item it;
    it.number = QByteArray::number(i).rightJustified(4, '0');
    it.quantity = QByteArray::number(10000 * i);
    it.price = "12345678";
    it.total = QByteArray::number(123456 * i);
    it.brand = "MARCA " + it.number;
    it.description =
        "CANETA ESFEROGR\xC1"
        "FICA AZUL PONTA M\xC9"
        "DIA CORPO TRANSPARENTE ITEM " +
        it.number;
    lines << test::itemLine(it);
  }
  dir.write("P0001.KVT", test::joinCrLf(lines));
  TTCotavia3 r;
  r.Editor.body = "PREFEITURA MUNICIPAL DE S\xC3O TESTE";
  r.Editor.bodyAddress = "Rua das Flores, 100";
  r.Editor.supplier = "Papelaria Modelo Ltda";
  layOutForPdf(r.RpReport, "Test PDF", dir.file("printed.pdf"));
  r.OpenTable(dir.path(), "P0001.KVT");
  r.RpReport.Preview();
  TRpPrinter& pages = *r.RpReport.RpPrinter();
  rpExportPdf(pages, dir.file("proposta.pdf"));

  ASSERT_EQ(
      test::runHeadless("pdftoppm", {"-r", "100", "-singlefile", dir.file("proposta.pdf"), dir.file("page")}).exitCode,
      0);
  const QImage pdf = QImage(dir.file("page.ppm")).convertToFormat(QImage::Format_RGB888);
  const auto page = pages.GetPage(1);
  const QRect bounds = page->boundingRect();
  // poppler rounds a page of a fraction of a point up: a pixel more at most.
  ASSERT_LE(qAbs(pdf.width() - qRound(bounds.width() * 100.0 / 96)), 1);
  ASSERT_LE(qAbs(pdf.height() - qRound(bounds.height() * 100.0 / 96)), 1);
  QImage preview(pdf.size(), QImage::Format_ARGB32);
  preview.fill(Qt::white);
  {
    QPainter p(&preview);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(100.0 / 96, 100.0 / 96);
    p.drawPicture(0, 0, *page);
  }
  const QImage shown = preview.convertToFormat(QImage::Format_RGB888);

  // Both images blurred over 3 x 3 pixels (antialiasing spreads a glyph's ink over the pixels its
  // edges cross, so where the two rasterisers put a stem a fraction of a pixel apart the blurred
  // ink stays about the same); then each colour of each blurred pixel must lie within the shades of
  // the other's 3 x 3 neighbourhood, which allows for a glyph placed up to a pixel apart. A mark
  // missing, added, moved further or of another colour is a difference.
  const int w = pdf.width(), h = pdf.height();
  // Per colour channel: the image as numbers, a 3 x 3 filter of them, and the comparison.
  auto channel = [&](const QImage& img, int c) {
    std::vector<int> v(size_t(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) v[size_t(y) * w + x] = img.constScanLine(y)[3 * x + c];
    return v;
  };
  auto filter = [&](const std::vector<int>& v, auto pick) {
    std::vector<int> out(v.size());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        std::array<int, 9> n;
        int k = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) n[k++] = v[size_t(qBound(0, y + dy, h - 1)) * w + qBound(0, x + dx, w - 1)];
        out[size_t(y) * w + x] = pick(n);
      }
    return out;
  };
  auto mean = [](const std::array<int, 9>& n) { return std::accumulate(n.begin(), n.end(), 0) / 9; };
  auto lowest = [](const std::array<int, 9>& n) { return *std::min_element(n.begin(), n.end()); };
  auto highest = [](const std::array<int, 9>& n) { return *std::max_element(n.begin(), n.end()); };
  std::vector<char> off(size_t(w) * h, 0);
  for (int c = 0; c < 3; ++c) {
    const std::vector<int> a = filter(channel(pdf, c), mean), b = filter(channel(shown, c), mean);
    const std::vector<int> aLo = filter(a, lowest), aHi = filter(a, highest), bLo = filter(b, lowest),
                           bHi = filter(b, highest);
    for (size_t i = 0; i < off.size(); ++i)
      off[i] |= a[i] < bLo[i] - 32 || a[i] > bHi[i] + 32 || b[i] < aLo[i] - 32 || b[i] > aHi[i] + 32;
  }
  qint64 ink = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ink += pdf.constScanLine(y)[3 * x + 1] < 128;
  const qint64 apart = std::count(off.begin(), off.end(), 1);
  EXPECT_GT(ink, 20000);  // a page full of text
  EXPECT_LT(apart, ink / 1000) << apart << " pixels apart, " << ink << " inked";
}
