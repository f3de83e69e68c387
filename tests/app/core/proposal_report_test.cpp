// The graphic proposal report over proposal files written by hand: what reaches the detail band,
// the formatted captions, the grand total, pages, header texts and failures.
#include "app/core/proposal_report.h"

#include "core_fixtures.h"
#include "platform/error.h"
#include "report/output/rp_printer.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <QCoreApplication>

using namespace cotavia;
using test::Item;

namespace {

// A printer that writes a PDF file stands for an installed printer (A4 by default), so the report
// gets landscape pages as on paper.
class ProposalReportTest : public ::testing::Test {
 protected:
  void writeProposal(const QList<QByteArray>& items, const QList<QByteArray>& extra = {}) {
    dir.write("P0001.KVT", test::joinCrLf(test::standardHeader() + items + extra));
  }

  // Captions of the detail labels at each detail print, and counts of the bands.
  struct Run {
    QList<QStringList> details;
    int headers = 0, summaries = 0;
    QString total;
  };
  Run generate(TTCotavia3& r) {
    Run run;
    r.RpBand1->AfterPrint = [&](TRpCustomBand&, bool printed) {
      if (!printed) return;
      run.details << QStringList{r.RpLbl_Item->Caption(),     r.RpLbl_Codigo->Caption(),    r.RpLbl_Nome->Caption(),
                                 r.RpLbl_Quant->Caption(),    r.RpLbl_Unidade->Caption(),   r.RpLbl_PrUnit->Caption(),
                                 r.RpLbl_Desconto->Caption(), r.RpLbl_Acrescimo->Caption(), r.RpLbl_Total->Caption(),
                                 r.RpLbl_Marca->Caption()};
    };
    r.TRpBand1->AfterPrint = [&](TRpCustomBand&, bool printed) { run.headers += printed; };
    r.RpBand2->AfterPrint = [&](TRpCustomBand&, bool printed) {
      run.summaries += printed;
      run.total = r.RpL_TotalGeral->Caption();
    };
    layOutForPdf(r.RpReport, "Test PDF", dir.file("printed.pdf"));
    r.OpenTable(dir.path(), "P0001.KVT");
    r.RpReport.Preview();
    return run;
  }

  test::TempDir dir;
};

QByteArray numbered(int n) { return QByteArray::number(n).rightJustified(4, '0'); }

QList<QByteArray> items(int count) {
  QList<QByteArray> out;
  for (int i = 1; i <= count; ++i) {
    Item it;
    it.number = numbered(i);
    it.price = "10000";
    it.total = "100";
    out << test::itemLine(it);
  }
  return out;
}

}  // namespace

TEST_F(ProposalReportTest, OnlyItemRecordsReachTheDetailWithFormattedCaptionsAndTheGrandTotal) {
  const Item a{
      .quantity = "25000", .unit = "CX  ", .price = "12345678", .discount = "100", .total = "123456", .brand = "ACME"};
  const Item b{.number = "0002", .quantity = "10000", .total = "50"};  // priced by total only
  const Item c{.number = "0003"};                                      // never priced
  const Item d{.number = "0004"};
  QByteArray lower = test::itemLine(d);
  lower[0] = 'i';  // not an item
  writeProposal(
      {test::itemLine(a), "CA header-like line in the middle", test::itemLine(b), lower, "", test::itemLine(c)});

  TTCotavia3 r;
  const Run run = generate(r);
  ASSERT_EQ(run.details.size(), 3);
  EXPECT_EQ(run.details[0], (QStringList{"0001", "000123", QString::fromLatin1(a.description), "        2,5000", "CX  ",
                                         "1.234,5678", "      1,00", "", "      1.234,56", "ACME"}));
  EXPECT_EQ(run.details[1][0], "0002");
  EXPECT_EQ(run.details[1][3], "        1,0000");
  EXPECT_EQ(run.details[1][5], "");
  EXPECT_EQ(run.details[1][8], "          0,50");
  // An item never priced: blank money cells, nothing added.
  EXPECT_EQ(run.details[2][0], "0003");
  for (int col : {5, 6, 7, 8}) EXPECT_EQ(run.details[2][col], "") << col;
  EXPECT_EQ(run.total, "1.235,06");
  EXPECT_EQ(run.headers, 1);
  EXPECT_EQ(run.summaries, 1);
  EXPECT_EQ(r.RpReport.RpPrinter()->PageCount(), 1);

  // A proposal never saved: the same items without amounts, nothing added.
  TTCotavia3 blank;
  blank.Unpriced = true;
  const Run unpriced = generate(blank);
  ASSERT_EQ(unpriced.details.size(), 3);
  EXPECT_EQ(unpriced.details[0][3], "        2,5000");
  for (const QStringList& d : unpriced.details)
    for (int col : {5, 6, 7, 8}) EXPECT_EQ(d[col], "") << d[0].toStdString() << " " << col;
  EXPECT_EQ(unpriced.total, "0,00");
}

TEST_F(ProposalReportTest, TwentySixItemsFitAPageOfA4OrLetterAndTheSummaryFollowsWhereItFits) {
  struct Case {
    int items, pages;
  };
  // 25 items leave room for the summary; 26 fill the page so the summary starts page 2. A Letter
  // page holds what an A4 page holds: the same layout prints whole on either paper.
  for (TRpPaperSize paper : {TRpPaperSize::Default, TRpPaperSize::A4, TRpPaperSize::Letter})
    for (const Case& k : {Case{1, 1}, Case{25, 1}, Case{26, 2}, Case{27, 2}, Case{52, 3}, Case{77, 3}}) {
      writeProposal(items(k.items));
      TTCotavia3 r;
      r.RpReport.Page().SetPaperSize(paper);
      const Run run = generate(r);
      EXPECT_EQ(r.RpReport.RpPrinter()->PageCount(), k.pages) << k.items << " " << int(paper);
      EXPECT_EQ(run.headers, k.pages) << k.items;  // a page header on every page
      EXPECT_EQ(run.details.size(), k.items);
      EXPECT_EQ(run.summaries, 1);
    }
}

// A description or brand longer than its column wraps and stretches its item's band: every line
// prints, right under the first, and an item that would not fit what is left of a page starts
// the next one whole (one print of its labels) instead of leaving its end there.
TEST_F(ProposalReportTest, ATextLongerThanItsColumnPrintsWholeAndItsItemStaysOnOnePage) {
  const QByteArray description =
      "PAPEL SULFITE A4 (210 X 297 MM), 75 G/M2, ALVURA MINIMA 90%, CAIXA COM 10 RESMAS DE 500 FOLHA ULTIMA";
  struct Case {
    int items, longAt;
    bool longBrand;
  };
  for (const Case& k :
       {Case{3, 2, false}, Case{3, 2, true}, Case{26, 25, false}, Case{26, 26, false}, Case{60, 51, true}}) {
    QList<QByteArray> lines = items(k.items);
    Item it;
    it.number = numbered(k.longAt);
    it.description = k.longBrand ? QByteArray("CURTA") : description.left(100);
    it.price = "10000";
    it.total = "100";
    it.brand = k.longBrand ? QByteArray("MARCAMUITO LONGA ULT") : QByteArray("BIC");
    lines[k.longAt - 1] = test::itemLine(it);
    writeProposal(lines);
    TTCotavia3 r;
    TRpLabel* label = k.longBrand ? r.RpLbl_Marca : r.RpLbl_Nome;
    QList<int> pages;  // the pages the long text printed on
    label->OnPrint = [&](TRpCustomLabel& l, QString&) {
      if (l.FormattedLines().size() > 1) pages << r.RpReport.PageNumber();
    };
    QStringList printedLines;
    r.RpBand1->AfterPrint = [&](TRpCustomBand&, bool) {
      if (label->FormattedLines().size() > 1) {
        printedLines = label->FormattedLines().mid(0, label->CurrentLine());
        EXPECT_TRUE(label->Finished());
      }
    };
    layOutForPdf(r.RpReport, "Test PDF", dir.file("printed.pdf"));
    r.OpenTable(dir.path(), "P0001.KVT");
    r.RpReport.Preview();
    const QString shown = printedLines.join(QString());
    EXPECT_GE(printedLines.size(), 2) << k.longAt;
    EXPECT_TRUE(shown.endsWith("ULT") || shown.endsWith("ULTIMA")) << shown.toStdString();
    EXPECT_EQ(pages.size(), 1) << k.longAt;  // one print, on one page
  }
}

TEST_F(ProposalReportTest, AProposalWithoutItemsGivesNoPageNoHeaderNoSummary) {
  writeProposal({}, {"X not an item", "iLowercase"});
  TTCotavia3 r;
  const Run run = generate(r);
  EXPECT_EQ(r.RpReport.RpPrinter()->PageCount(), 0);
  EXPECT_EQ(run.headers, 0);
  EXPECT_EQ(run.summaries, 0);
}

TEST_F(ProposalReportTest, PageHeaderShowsTheEditorFieldsWithoutTrailingBlanks) {
  writeProposal(items(1));
  TTCotavia3 r;
  r.Editor.body = "  PREFEITURA DE S\xC3O TESTE   ";
  r.Editor.bodyAddress = "Rua A, 1\t ";
  r.Editor.supplier = "Fornecedor Ltda";
  r.Editor.modality = "Modalidade: Preg\xE3o     ";
  r.Editor.object = "";
  r.Editor.delivery = "Entrega: 10/03/2026 ";
  r.Editor.opening = "Abertura: 10/03/2026   ";
  r.Editor.identity = "CPF: 123.456.789-09";
  r.Editor.supplierAddress = "Rua B, 2  ";
  r.Editor.supplierCity = "Londrina ";
  generate(r);
  EXPECT_EQ(r.RpLbl_Orgao->Caption(), QString::fromUtf8("  PREFEITURA DE SÃO TESTE"));  // leading blanks stay
  EXPECT_EQ(r.RpLbl_Endereco->Caption(), "Rua A, 1");
  EXPECT_EQ(r.RpLbl_Fornecedor->Caption(), "Fornecedor Ltda");
  EXPECT_EQ(r.RpLbl_Modalidade->Caption(), QString::fromUtf8("Modalidade: Pregão"));
  EXPECT_EQ(r.RpLbl_Objeto->Caption(), "");
  EXPECT_EQ(r.RpLbl_Entrega->Caption(), "Entrega: 10/03/2026");
  EXPECT_EQ(r.RpLbl_Abertura->Caption(), "Abertura: 10/03/2026");
  // The supplier is identified; the item columns stay where they were.
  EXPECT_EQ(r.RpLbl_Identidade->Caption(), "CPF: 123.456.789-09");
  EXPECT_EQ(r.RpLbl_ForEndereco->Caption(), "Rua B, 2 - Londrina");
  EXPECT_GT(r.RpLbl_Identidade->Size().NativeLeft,
            r.RpLbl_Fornecedor->Size().NativeLeft + r.RpLbl_Fornecedor->Size().NativeWidth);
  EXPECT_NEAR(r.RpLabel4->Size().NativeTop, 516, 0.01);
  EXPECT_NEAR(r.TRpBand1->Size().NativeHeight, 587, 0.01);
  EXPECT_LE(r.RpLbl_Abertura->Size().NativeTop + r.RpLbl_Abertura->Size().NativeHeight, r.RpShape2->Size().NativeTop);
}

TEST_F(ProposalReportTest, PrintingFromThePreviewGeneratesAgainWithTheSameGrandTotal) {
  writeProposal({test::itemLine({.total = "123456"}), test::itemLine({.number = "0002", .total = "50"})});
  TTCotavia3 r;
  QStringList totals;
  r.RpBand2->AfterPrint = [&](TRpCustomBand&, bool) { totals << r.RpL_TotalGeral->Caption(); };
  layOutForPdf(r.RpReport, "Test PDF", dir.file("printed.pdf"));
  r.OpenTable(dir.path(), "P0001.KVT");
  r.RpReport.Preview();
  ASSERT_EQ(totals, QStringList{"1.235,06"});
  // The preview's print button: the live report is asked to print itself again.
  r.RpReport.RpPrinter()->Print();
  for (int i = 0; i < 20 && totals.size() < 2; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(totals, (QStringList{"1.235,06", "1.235,06"}));
  EXPECT_TRUE(dir.exists("printed.pdf"));
  // And a third generation, straight to the printer, still starts from zero.
  r.RpReport.Print();
  EXPECT_EQ(totals.size(), 3);
  EXPECT_EQ(totals.last(), "1.235,06");
}

TEST_F(ProposalReportTest, AFieldThatDoesNotConvertStopsTheGenerationWithTheRuntimeMessage) {
  const Item good;
  const Item bad{.number = "0002", .quantity = "12a"};
  const Item badTotal{.number = "0003", .total = "1,2,3"};
  for (const Item& wrong : {bad, badTotal}) {
    writeProposal({test::itemLine(good), test::itemLine(wrong)});
    TTCotavia3 r;
    layOutForPdf(r.RpReport, "Test PDF", dir.file("printed.pdf"));
    r.OpenTable(dir.path(), "P0001.KVT");
    try {
      r.RpReport.Preview();
      ADD_FAILURE() << "generated a report over a bad number";
    } catch (const std::exception& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find("is not a valid floating point value"), std::string::npos) << what;
      EXPECT_NE(what.find(wrong.number == "0002" ? "12a" : "1,2,3"), std::string::npos) << what;
    }
    EXPECT_FALSE(r.RpReport.Running());
  }
}

TEST_F(ProposalReportTest, AMissingProposalFileIsReportedBeforeTheReportRuns) {
  TTCotavia3 r;
  int headers = 0;
  r.TRpBand1->AfterPrint = [&](TRpCustomBand&, bool) { ++headers; };
  try {
    r.OpenTable(dir.path(), "P0404.KVT");
    FAIL() << "opened a missing file";
  } catch (const AppError& e) {
    EXPECT_NE(std::string(e.what()).find("P0404.KVT"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(r.tbl_retorno.active());
  EXPECT_EQ(headers, 0);
}

TEST_F(ProposalReportTest, ReportHeaderFromFilesReadsTheProposalHeaderAndTheSupplier) {
  writeProposal({test::itemLine({.quantity = "x"})});  // item lines do not matter for the header
  dir.write("FORNEC.KSD", "Papelaria Modelo Ltda\r\nRua B, 2\r\nCidade\r\n");
  const ProposalReportHeader h = reportHeaderFromFiles(dir.path(), "P0001.KVT", "00012345678909");
  EXPECT_EQ(h.body, test::standardHeader()[0].mid(1));
  EXPECT_EQ(h.opening, test::standardHeader()[5].mid(1));
  EXPECT_EQ(h.supplier, "Papelaria Modelo Ltda");
  EXPECT_EQ(h.identity, "CPF: 123.456.789-09");
  EXPECT_EQ(h.supplierAddress, "Rua B, 2");
  EXPECT_EQ(h.supplierCity, "Cidade");
  EXPECT_THROW(reportHeaderFromFiles(dir.path(), "P0404.KVT", "00012345678909"), AppError);
}

// Every amount prints whole at the widest value its file column allows (13 digits of quantity,
// 11 of the money fields, a grand total of thousands of such items): its label keeps its right
// edge and the text grows to the left, short of the text or label to its left.
TEST_F(ProposalReportTest, AmountsPrintWholeAtTheirWidestGrowingToTheLeft) {
  QList<QByteArray> widest;
  for (int i = 1; i <= 12; ++i) {
    Item it;
    it.number = numbered(i);
    it.quantity = "9999999999999";
    it.price = it.discount = it.surcharge = it.total = "99999999999";
    widest << test::itemLine(it);
  }
  writeProposal(widest);
  TTCotavia3 r;
  const double right[] = {1270 + 243, 1572 + 212, 1789 + 212, 2006 + 212, 2222 + 212, 2225 + 212};
  const Run run = generate(r);
  ASSERT_EQ(run.details.size(), 12);
  EXPECT_EQ(run.total, "11.999.999.999,88");
  // Where a label's text begins and ends on the page (0.1 mm).
  auto textLeft = [](TRpCustomLabel* l) {
    return l->Size().NativeLeft + l->Size().NativeWidth - l->PixelWidth() / kRpScreenFactor;
  };
  auto textRight = [](TRpCustomLabel* l) { return l->Size().NativeLeft + l->PixelWidth() / kRpScreenFactor; };
  auto boxRight = [](TRpCustomLabel* l) { return l->Size().NativeLeft + l->Size().NativeWidth; };
  struct Amount {
    TRpLabel* label;
    QString whole;
    double leftLimit;  // right end of the column (or text) to its left
  };
  const Amount amounts[] = {
      {r.RpLbl_Quant, "999.999.999,9999", boxRight(r.RpLbl_Nome)},
      {r.RpLbl_PrUnit, "9.999.999,9999", boxRight(r.RpLbl_Unidade)},
      {r.RpLbl_Desconto, "999.999.999,99", boxRight(r.RpLbl_PrUnit)},
      {r.RpLbl_Acrescimo, "999.999.999,99", boxRight(r.RpLbl_Desconto)},
      {r.RpLbl_Total, "999.999.999,99", boxRight(r.RpLbl_Acrescimo)},
      {r.RpL_TotalGeral, "11.999.999.999,88", textRight(r.RpLabel33)},
  };
  for (int i = 0; i < 6; ++i) {
    const Amount& a = amounts[i];
    EXPECT_EQ(a.label->FormattedLines(), QStringList{a.whole}) << a.label->Name.toStdString();
    EXPECT_NEAR(boxRight(a.label), right[i], 0.01) << i;
    EXPECT_GT(textLeft(a.label), a.leftLimit) << a.label->Name.toStdString();
  }
  // A grand total wider still moves "Total:" to its left; a small one puts it back.
  bool print = true;
  r.TotalGeral = 8999 * 999999999.99L;
  r.RpBand2BeforePrint(*r.RpBand2, print);
  EXPECT_EQ(r.RpL_TotalGeral->FormattedLines(), QStringList{"8.998.999.999.910,01"});
  EXPECT_GT(textLeft(r.RpL_TotalGeral), textRight(r.RpLabel33));
  r.TotalGeral = 10;
  r.RpBand2BeforePrint(*r.RpBand2, print);
  EXPECT_NEAR(r.RpLabel33->Size().NativeLeft, 2133, 0.01);
}
