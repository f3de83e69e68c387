// The printed price table: products as groups across pages, the figures of each group's
// footer, the page and its texts as a PDF reader sees them, and a search that finds nothing.
#include "app/core/history_report.h"

#include "support/support.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QRegularExpression>

using namespace cotavia;

namespace {

QString pdfText(const QString& pdf, const QStringList& extra = {}) {
  return test::poppler("pdftotext", QStringList{"-layout"} + extra + QStringList{pdf, "-"}).simplified();
}

PriceEntry entry(const QString& description, const QString& date, long double price, const QString& municipality) {
  PriceEntry e;
  e.source.municipality = municipality;
  e.source.proposal = QStringLiteral("P0001.KVT");
  e.source.savedAt = QDateTime::fromString(date, QStringLiteral("dd/MM/yyyy"));
  e.item.item = QStringLiteral("0001");
  e.item.code = QStringLiteral("123");
  e.item.description = description;
  e.item.unit = QStringLiteral("UN");
  e.item.quantity = 10;
  e.item.brand = QStringLiteral("Bic Cristal");
  e.item.unitPrice = price;
  return e;
}

}  // namespace

TEST(PriceHistoryPdf, ProductsGroupedAcrossPagesWithTheirFigures) {
  if (!test::hasPoppler()) GTEST_SKIP() << "poppler-utils not installed";
  test::TempDir dir;
  QList<PriceEntry> entries;
  // Saved on the same day twice: the later line is the latest. The highest is not the latest.
  entries << entry("CANETA ESFEROGRÁFICA AZUL", "12/03/2026", 1.2L, "Prefeitura de Xerém")
          << entry("CANETA ESFEROGRÁFICA AZUL", "12/03/2026", 0.85L, "Prefeitura de Yapó")
          << entry("CANETA ESFEROGRÁFICA AZUL", "02/01/2026", 0.95L, "Prefeitura de Zé Doca");
  // A product with more prices than a page holds.
  for (int i = 0; i < 45; ++i)
    entries << entry("PAPEL SULFITE A4", QStringLiteral("%1/02/2026").arg(1 + i % 28, 2, 10, QChar('0')),
                     20 + i / 100.0L, "Prefeitura de Xerém");
  const QString pdf = dir.file("historico.pdf");
  HistoryQuery q;
  q.search = QStringLiteral("caneta papel");
  writePriceHistoryPdf(entries, q, pdf);

  const QString meta = test::poppler("pdfinfo", {pdf});
  EXPECT_TRUE(meta.contains(QRegularExpression("Pages:\\s+2"))) << meta.toStdString();
  EXPECT_TRUE(meta.contains(QRegularExpression("842[.0-9]* x 595[.0-9]* pts"))) << meta.toStdString();  // A4 landscape

  const QString page1 = pdfText(pdf, {"-f", "1", "-l", "1"});
  const QString page2 = pdfText(pdf, {"-f", "2", "-l", "2"});
  EXPECT_TRUE(page1.contains("Busca: \"caneta papel\"")) << page1.toStdString();
  EXPECT_TRUE(page1.contains("CANETA ESFEROGRÁFICA AZUL Código: 123 Unidade: UN")) << page1.toStdString();
  EXPECT_TRUE(page1.contains("3 preços Menor: 0,8500 Maior: 1,2000 Último: 0,8500 (12/03/2026)"))
      << page1.toStdString();
  // The paper's group goes on to page 2 under its header again, and its footer has every price.
  EXPECT_TRUE(page2.contains("Página 2")) << page2.toStdString();
  EXPECT_TRUE(page2.contains("PAPEL SULFITE A4 (continuação)")) << page2.toStdString();
  EXPECT_TRUE(page2.contains("45 preços Menor: 20,0000 Maior: 20,4400 Último: 20,2700 (28/02/2026)"))
      << page2.toStdString();
  EXPECT_TRUE(page2.contains("48 preços de 2 produtos.")) << page2.toStdString();

  // Nothing found: a refusal that says so, and no file.
  const QString none = dir.file("vazio.pdf");
  try {
    writePriceHistoryPdf({}, q, none);
    ADD_FAILURE() << "an empty table was printed";
  } catch (const AppError& e) {
    EXPECT_TRUE(userMessage(e).startsWith("Nenhum preço do histórico atende à busca (Busca: \"caneta papel\")"))
        << userMessage(e).toStdString();
  }
  EXPECT_FALSE(QFile::exists(none));
}
