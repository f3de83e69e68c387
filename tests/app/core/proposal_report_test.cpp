// The graphic proposal report over proposal files written by hand: what reaches the detail band,
// the formatted captions, the grand total, pages, header texts and failures.
#include "app/core/proposal_report.h"

#include "core_fixtures.h"
#include "platform/error.h"
#include "report/rp_printer.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <QCoreApplication>

using namespace cotavia;
using test::Item;

namespace {

// A printer that writes a PDF file stands for an installed printer, so the report gets the
// Letter landscape paper it asks for.
class ProposalReportTest : public ::testing::Test {
 protected:
  void SetUp() override { TPrinterSettings::SetPdfPrinter(QStringLiteral("Test PDF"), dir.file("printed.pdf")); }
  void TearDown() override { TPrinterSettings::SetPdfPrinter(QString(), QString()); }

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
    r.RpReport.PrinterSettings.PrinterIndex = TPrinterSettings::PrinterNames().indexOf("Test PDF");
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
  Item a;
  a.number = "0001";
  a.code = "000123";
  a.quantity = "25000";
  a.unit = "CX  ";
  a.price = "12345678";
  a.discount = "100";
  a.total = "123456";
  a.brand = "ACME";
  Item b;  // priced by total only
  b.number = "0002";
  b.quantity = "10000";
  b.total = "50";
  Item c;  // never priced
  c.number = "0003";
  Item d = c;
  d.number = "0004";
  QByteArray lower = test::itemLine(d);
  lower[0] = 'i';  // not an item
  writeProposal(
      {test::itemLine(a), "CA header-like line in the middle", test::itemLine(b), lower, "", test::itemLine(c)});

  TTCotavia3 r;
  const Run run = generate(r);
  ASSERT_EQ(run.details.size(), 3);
  EXPECT_EQ(run.details[0],
            (QStringList{"0001", "000123", QString::fromLatin1(test::lj(a.description, 100)), "        2,5000", "CX  ",
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
}

TEST_F(ProposalReportTest, TwentySevenItemsFitAPageAndTheSummaryFollowsWhereItFits) {
  struct Case {
    int items, pages;
  };
  // 26 items leave room for the summary; 27 fill the page so the summary starts page 2.
  for (const Case& k : {Case{1, 1}, Case{26, 1}, Case{27, 2}, Case{28, 2}, Case{54, 3}, Case{80, 3}}) {
    writeProposal(items(k.items));
    TTCotavia3 r;
    const Run run = generate(r);
    EXPECT_EQ(r.RpReport.RpPrinter()->PageCount(), k.pages) << k.items;
    EXPECT_EQ(run.headers, k.pages) << k.items;  // a page header on every page
    EXPECT_EQ(run.details.size(), k.items);
    EXPECT_EQ(run.summaries, 1);
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
  r.Editor.orgao = "  PREFEITURA DE S\xC3O TESTE   ";
  r.Editor.endereco = "Rua A, 1\t ";
  r.Editor.fornecedor = "Fornecedor Ltda";
  r.Editor.modalidade = "Modalidade: Preg\xE3o     ";
  r.Editor.objeto = "";
  r.Editor.entrega = "Entrega: 10/03/2026 ";
  r.Editor.abertura = "Abertura: 10/03/2026   ";
  generate(r);
  EXPECT_EQ(r.RpLbl_Orgao->Caption(), QString::fromUtf8("  PREFEITURA DE SÃO TESTE"));  // leading blanks stay
  EXPECT_EQ(r.RpLbl_Endereco->Caption(), "Rua A, 1");
  EXPECT_EQ(r.RpLbl_Fornecedor->Caption(), "Fornecedor Ltda");
  EXPECT_EQ(r.RpLbl_Modalidade->Caption(), QString::fromUtf8("Modalidade: Pregão"));
  EXPECT_EQ(r.RpLbl_Objeto->Caption(), "");
  EXPECT_EQ(r.RpLbl_Entrega->Caption(), "Entrega: 10/03/2026");
  EXPECT_EQ(r.RpLbl_Abertura->Caption(), "Abertura: 10/03/2026");
}

TEST_F(ProposalReportTest, PrintingFromThePreviewGeneratesAgainWithTheSameGrandTotal) {
  Item a;
  a.total = "123456";
  Item b;
  b.number = "0002";
  b.total = "50";
  writeProposal({test::itemLine(a), test::itemLine(b)});
  TTCotavia3 r;
  QStringList totals;
  r.RpBand2->AfterPrint = [&](TRpCustomBand&, bool) { totals << r.RpL_TotalGeral->Caption(); };
  r.RpReport.PrinterSettings.PrinterIndex = TPrinterSettings::PrinterNames().indexOf("Test PDF");
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
  Item good;
  Item bad;
  bad.number = "0002";
  bad.quantity = "12a";
  Item badTotal;
  badTotal.number = "0003";
  badTotal.total = "1,2,3";
  for (const Item& wrong : {bad, badTotal}) {
    writeProposal({test::itemLine(good), test::itemLine(wrong)});
    TTCotavia3 r;
    r.RpReport.PrinterSettings.PrinterIndex = TPrinterSettings::PrinterNames().indexOf("Test PDF");
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

TEST_F(ProposalReportTest, EditorHeaderFromFilesReadsTheProposalHeaderAndTheSupplierName) {
  Item bad;
  bad.quantity = "x";  // item lines do not matter for the header
  writeProposal({test::itemLine(bad)});
  dir.write("FORNEC.KSD", "Papelaria Modelo Ltda\r\nRua B, 2\r\nCidade\r\n");
  const ProposalReportHeader h = editorHeaderFromFiles(dir.path(), "P0001.KVT");
  EXPECT_EQ(h.orgao, test::standardHeader()[0].mid(1));
  EXPECT_EQ(h.abertura, test::standardHeader()[5].mid(1));
  EXPECT_EQ(h.fornecedor, "Papelaria Modelo Ltda");
  EXPECT_THROW(editorHeaderFromFiles(dir.path(), "P0404.KVT"), AppError);
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
