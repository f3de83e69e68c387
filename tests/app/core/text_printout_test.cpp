// The proposal's text printout: a whole printout compared byte for byte with a first page worked
// out by hand, and the printout's layout rules and failures.
#include "app/core/text_printout.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "support/printer_head.h"
#include "support/support.h"
#include "textprint/proposal_fixture.h"
#include "textprint/txitem.h"
#include "textprint/txprint.h"

#include <gtest/gtest.h>
#include <algorithm>

#include <QFile>

using namespace cotavia;
using cotavia::test::TempDir;

namespace {

// Epson control sequences, written out.
const QByteArray C17 = "\x1bP\x1b\x0f";  // 17 cpi
const QByteArray N10B =
    "\x12\x1bP\x1b"
    "E";  // 10 cpi, bold
const QByteArray N10I =
    "\x12\x1bP\x1b"
    "4";  // 10 cpi, italic
const QByteArray B17 =
    "\x1bP\x1b\x0f\x1b"
    "E";  // 17 cpi, bold
const QByteArray RST =
    "\x1bP\x12\x14\x1b"
    "5\x1b"
    "F\x1b-0";
const QByteArray DEF = "\x12\x1bP";
const QByteArray NL = "\n\r";
QByteArray sp(int n) { return QByteArray(n, ' '); }
QByteArray bs(int n) { return QByteArray(n, '\b'); }
QByteArray rep(const char* c, int n) { return QByteArray(c).repeated(n); }
// A text placed at 17 cpi: the head goes back over it, then the default font returns.
QByteArray at17(const QByteArray& t) { return C17 + t + bs(t.size()) + RST + DEF; }

const QByteArray kId = "12345678000190";

struct Fixture {
  TempDir dir;
  TTxPrint tx;
  HeadlessTxPrintUi ui;
  HeadlessDialogs dlg;
  DialogsGuard guard{&dlg};
  TextPrintout p;
  Fixture() {
    configureTxPrint1(tx);
    tx.setUi(&ui);
    p.proposal = {dir.path(), "P0001.KVT", kId};
  }
  ~Fixture() {
    if (tx.JobAberto()) tx.Abortar();
  }
  void write(int generic, bool supplier = true) {
    const auto s = cotavia::test::fixtureSupplier();
    cotavia::test::writeFixtureProposal(dir.path(), kId, "P0001.KVT", cotavia::test::fixtureHeaders(),
                                        cotavia::test::fixtureItems(generic), supplier ? &s : nullptr);
  }
  // Runs the printout and keeps the job's items and the printer file made from the preview.
  QByteArray run(QList<QByteArray>* items = nullptr) {
    QByteArray prn;
    ui.aoMostrarPreview = [&](TTxPrint& t) {
      if (items) *items = t.Itens();
      EXPECT_TRUE(t.GravarImpressao(dir.file("OUT.PRN")));
      prn = dir.read("OUT.PRN");
    };
    EXPECT_TRUE(imprime_licitacao(tx, p));
    return prn;
  }
};

QByteArray firstPageByHand() {
  const QByteArray box = "\xDA" + rep("\xC4", 78) + "\xBF";
  const QByteArray boxEnd = "\xC0" + rep("\xC4", 78) + "\xD9";
  const QByteArray v = "\xB3";
  QByteArray e;
  // Prologue: 6 lpi, 66 lines, reset, 10 cpi.
  e += "\x1b"
       "2"
       "\x1b"
       "C"
       "\x42" +
       RST + DEF;
  // Line 1: title at column 25 (31 characters, the head ends at 56), page number at 73.
  e += sp(24) + N10B + "LICITA\x80\xC7O - PROPOSTA ELETR\xE2NICA" + RST + DEF;
  e += sp(17) + at17("P\xA0gina: 0001");
  // Line 2: 40 characters (the header text and five blanks of the record) centred at 20.
  e += NL + sp(19) + N10B + "PREFEITURA MUNICIPAL DE SANTA LUZIA" + sp(5) + RST + DEF;
  // Line 3: 29 characters centred at 26, italic.
  e += NL + sp(25) + N10I + "RUA DAS FLORES, 100 - CENTRO " + RST + DEF;
  e += NL + box;
  // Line 5: "i", the supplier in bold (52 characters from column 2), blanks up to column 80, "i".
  e += NL + v + N10B + "CNPJ: 12.345.678/0001-90  -  FORNECEDOR EXEMPLO LTDA" + RST + DEF + sp(26) + v;
  // Line 6: the 17 cpi text leaves the head at column 2.
  e += NL + v + at17("RUA A, 1 S\xC7O PAULO") + sp(78) + v;
  e += NL + v + sp(78) + v;
  const QByteArray h[4] = {"MODALIDADE: PREG\xC7O PRESENCIAL N\xA7 12/2024", "OBJETO: MATERIAL DE EXPEDIENTE",
                           "ENTREGA: 10/05/2024 09:00", "ABERTURA: 10/05/2024 10:00"};
  for (const QByteArray& t : h) e += NL + v + at17(t + sp(135 - t.size())) + sp(78) + v;
  // Line 12: the second box's top, then back 80 columns and the first box's bottom over it.
  e += NL + box + bs(80) + boxEnd;
  e += NL + v +
       at17(
           "Item C\xA2"
           "digo Descri\x87\xC6o                      Marca          Quantidade Unid       Pr.Unit.  "
           "     Desconto      Acr\x82scimo          Total") +
       sp(78) + v;
  e += NL + boxEnd;
  // 135 condensed dashes from column 2 end at 7.975 inches, within the printer's line.
  const QByteArray sep = at17(QByteArray(135, '-'));
  // Item 1 on line 15, amounts from column 27, separator on line 16.
  e += NL + sp(1) +
       at17(
           "0001 000123 CANETA ESFEROGR\xB5"
           "FICA AZUL");
  e += sp(25) + at17("BIC        " + sp(6) + "100,0000 UN   " + sp(8) + "1,5000 " + sp(14) + " " + sp(14) + " " +
                     sp(8) + "150,00");
  e += NL + sp(1) + sep;
  // Item 2: a description of 100 characters on four lines (17 to 20), amounts on the fourth.
  e += NL + sp(1) + at17("0002 000456 ABCDEFGHIJKLMNOPQRSTUVWXYZ012");
  e += NL + sp(1) + at17(sp(12) + "ABCDEFGHIJKLMNOPQRSTUVWXYZ345");
  e += NL + sp(1) + at17(sp(12) + "ABCDEFGHIJKLMNOPQRSTUVWXYZ678");
  e += NL + sp(1) + at17(sp(12) + "ABCDEFGHIJKLM");
  e += sp(25) + at17("MARCA MUIT " + sp(3) + "12.345,6789 CX   1.234.567,8912 " + sp(9) + "10,00 " + sp(10) + "5,50 " +
                     sp(6) + "1.000,00");
  e += NL + sp(1) + sep;
  // Item 3: no price; the brand is blank.
  e += NL + sp(1) + at17("0003 000789 \xB5GUA MINERAL 500ML");
  e += sp(25) + at17(sp(10) + " " + sp(7) + "24,0000 GF   " + sp(14) + " " + sp(14) + " " + sp(14) + " " + sp(14));
  e += NL + sp(1) + sep;
  // Items 4 to 23 on lines 24 to 63; the separator of item 23 on line 63 ends the page.
  for (int j = 4; j <= 23; ++j) {
    const QByteArray n = QByteArray::number(j).rightJustified(4, '0');
    e += NL + sp(1) + at17(n + " 0000" + n.mid(2) + " ITEM " + n);
    e += sp(25) + at17("GEN        " + sp(8) + "1,0000 UN   " + sp(8) + "2,0000 " + sp(14) + " " + sp(14) + " " +
                       sp(10) + "2,00");
    e += NL + sp(1) + sep;
  }
  e += "\x0c";
  return e;
}

}  // namespace

TEST(TextPrintout, WholePrintoutMatchesTheFirstPageWorkedOutByHand) {
  Fixture f;
  f.write(57);
  QList<QByteArray> items;
  const QByteArray prn = f.run(&items);
  const QByteArray page1 = firstPageByHand();
  ASSERT_GE(prn.size(), page1.size());
  // Compare in pieces so that a difference shows where it is.
  qsizetype diff = 0;
  while (diff < page1.size() && prn[diff] == page1[diff]) ++diff;
  ASSERT_EQ(diff, page1.size()) << "printed: " << prn.mid(diff - 40, 80).toHex(' ').constData()
                                << "\nby hand: " << page1.mid(diff - 40, 80).toHex(' ').constData();

  // 60 items: page 1 holds 23, page 2 holds 25 (the last one's separator on line 64), page 3 the
  // remaining 12 (lines 15 to 38).
  EXPECT_EQ(prn.count('\x0c'), 3);
  EXPECT_TRUE(prn.endsWith("\x0c\x1b@"));
  EXPECT_EQ(f.p.lastPageText, "0003");
  EXPECT_TRUE(prn.contains(C17 + "P\xA0gina: 0002"));
  EXPECT_TRUE(prn.contains(C17 + "P\xA0gina: 0003"));
  // The grand total (150,00 + 1.000,00 + 57 x 2,00) in bold 17 cpi at column 69 of the line after
  // the last separator.
  const QByteArray last = items.last();
  EXPECT_EQ(last.left(14), "0003039069066T");
  EXPECT_EQ(last.mid(14), "Total....: 1.264,00");
  EXPECT_TRUE(prn.contains(B17 + "Total....: 1.264,00" + bs(19) + RST + DEF + "\x0c"));
  // Every page repeats the heading; no item of the printout lies below line 64.
  for (const QByteArray& it : items) EXPECT_LE(it.mid(4, 3).toInt(), 64) << it.constData();
}

TEST(TextPrintout, EmptyProposalAndSupplierFiles) {
  // Without items: one page, the total on line 15. Without FORNEC.KSD no supplier lines.
  Fixture f;
  f.write(0, false);
  QFile::resize(f.dir.file("E" + QString::fromLatin1(kId) + "_P0001.KVT"), 6 * 202);
  QList<QByteArray> items;
  f.run(&items);
  ASSERT_FALSE(items.isEmpty());
  EXPECT_EQ(items.last(), "0001015069066TTotal........: 0,00");
  for (const QByteArray& it : items) {
    if (it[13] == 'T') {
      EXPECT_NE(it.mid(4, 3), "005") << it.constData();
    }
    EXPECT_EQ(it.left(4), "0001");
  }
  // A CPF of 11 digits or fewer is laid out as a CPF.
  Fixture g;
  g.write(0);
  QFile id(g.dir.file("CNPJCPF.KSD"));
  ASSERT_TRUE(id.open(QIODevice::WriteOnly));
  id.write("1234567890  \r\n");
  id.close();
  g.run(&items);
  bool found = false;
  for (const QByteArray& it : items)
    if (it.startsWith("0001005002018T")) found = it.mid(14).startsWith("CPF: 012.345.678-90  -  FORNECEDOR");
  EXPECT_TRUE(found);
}

TEST(TextPrintout, DescriptionsAcrossPagesAndLongTotals) {
  Fixture f;
  const auto base = cotavia::test::fixtureItems(0)[0];
  QList<cotavia::test::FixtureItem> list;
  for (int j = 1; j <= 23; ++j) {
    auto it = base;
    it.number = QByteArray::number(j).rightJustified(4, '0');
    list.append(it);
  }
  // Item 1 takes lines 15-17 (three pieces) and its separator 18; items 2-22 two lines each from
  // 19; item 23 starts on line 61 with 100 characters: pieces on 61, 62, 63, the fourth on page 2.
  list[0].description = QByteArray(60, 'Y');
  list[22].description = QByteArray(100, 'X');
  // A description whose characters 30-58 are blank ends after the first piece.
  auto gap = base;
  gap.number = "0024";
  gap.description = QByteArray(29, 'A') + QByteArray(29, ' ') + "TAIL";
  list.append(gap);
  // Item totals beyond 32 bits are summed exactly.
  auto big = base;
  big.number = "0025";
  big.total100 = 99999999999LL;
  list.append(big);
  const auto s = cotavia::test::fixtureSupplier();
  cotavia::test::writeFixtureProposal(f.dir.path(), kId, "P0001.KVT", cotavia::test::fixtureHeaders(), list, &s);
  QList<QByteArray> got;
  f.run(&got);
  auto find = [&](const QByteArray& prefix) {
    QByteArray r = "<none>";
    int n = 0;
    for (const QByteArray& it : got)
      if (it.startsWith(prefix)) r = it.mid(14), ++n;
    return n > 1 ? QByteArray("<several>") : r;
  };
  EXPECT_EQ(find("0001017002064T"), sp(12) + "YY");
  EXPECT_EQ(find("0001061002064T"), "0023 000123 " + QByteArray(29, 'X'));
  EXPECT_EQ(find("0001063002064T"), sp(12) + QByteArray(29, 'X'));
  EXPECT_EQ(find("0002015002064T"), sp(12) + QByteArray(13, 'X'));
  EXPECT_TRUE(find("0002015027064T").startsWith("BIC "));
  EXPECT_EQ(find("0002016002064T"), QByteArray(135, '-'));
  EXPECT_EQ(find("0002017002064T"), "0024 000123 " + QByteArray(29, 'A'));
  EXPECT_EQ(find("0002018002064T"), QByteArray(135, '-'));
  // Too wide for column 69: it moves left so as to end within the line.
  EXPECT_EQ(find("0002021067066T"), "Total: 1.000.003.599,99");
  // The heading is on page 2 as well.
  EXPECT_EQ(find("0002001073064T"), "P\xE1gina: 0002");
}

TEST(TextPrintout, FailuresStopThePrintoutAndAbandonTheJob) {
  {
    // No response file: the proposal was never saved; refused before the setup window, and the
    // next printout can open a job.
    Fixture f;
    bool setup = false;
    f.ui.decideSetup = [&](TTxPrint&, TxSetupValues&) { return setup = true; };
    try {
      imprime_licitacao(f.tx, f.p);
      ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
      EXPECT_EQ(e.kind(), ErrorKind::NotSaved);
      EXPECT_TRUE(QString::fromUtf8(e.what()).contains("A proposta P0001.KVT ainda não foi gravada")) << e.what();
    }
    EXPECT_FALSE(setup);
    EXPECT_FALSE(f.tx.JobAberto());
  }
  {
    // A unit price that is no number stops with the conversion message.
    Fixture f;
    auto items = cotavia::test::fixtureItems(0);
    items.resize(1);
    QByteArray rec = cotavia::test::fixtureItemRecord(items[0]);
    rec.replace(128, 11, "     12X450");
    QFile r(f.dir.file("E" + QString::fromLatin1(kId) + "_P0001.KVT"));
    ASSERT_TRUE(r.open(QIODevice::WriteOnly));
    for (const QByteArray& h : cotavia::test::fixtureHeaders()) r.write(cotavia::test::fixtureHeaderRecord(h) + "\r\n");
    r.write(rec + "\r\n");
    r.close();
    try {
      imprime_licitacao(f.tx, f.p);
      ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
      EXPECT_STREQ(e.what(), "'     12X450' is not a valid floating point value");
    }
    EXPECT_FALSE(f.tx.JobAberto());
  }
  {
    // FORNEC.KSD without CNPJCPF.KSD.
    Fixture f;
    f.write(1);
    QFile::remove(f.dir.file("CNPJCPF.KSD"));
    EXPECT_THROW(imprime_licitacao(f.tx, f.p), AppError);
    EXPECT_FALSE(f.tx.JobAberto());
    // An identity given by the user (cotavia print-text --identity) stands for the file.
    f.p.identityGiven = true;
    QList<QByteArray> items;
    f.run(&items);
    bool heading = false;
    for (const QByteArray& it : items) heading = heading || it.contains("CNPJ: 12.345.678/0001-90  -  ");
    EXPECT_TRUE(heading);
  }
  {
    // Items without description take two lines, 25 to a page: 249975 of them end page 9999
    // with the separator on line 64, so the grand total would need page 10000. Refused before
    // anything is printed, once, naming the pages needed and the limit.
    Fixture f;
    QByteArray content;
    for (const QByteArray& h : cotavia::test::fixtureHeaders())
      content += cotavia::test::fixtureHeaderRecord(h) + "\r\n";
    content += QByteArray("I\r\n").repeated(249975);
    f.dir.write("E" + QString::fromLatin1(kId) + "_P0001.KVT", content);
    bool previewed = false;
    f.ui.aoMostrarPreview = [&](TTxPrint&) { previewed = true; };
    try {
      imprime_licitacao(f.tx, f.p);
      ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
      EXPECT_TRUE(QString::fromUtf8(e.what()).contains("precisaria de 10000 páginas, mais que o limite de 9999"))
          << e.what();
    }
    EXPECT_FALSE(previewed);
    EXPECT_TRUE(f.dlg.log.isEmpty());
    EXPECT_FALSE(f.tx.JobAberto());
  }
  {
    // A cancelled setup ends the printout before anything is placed.
    Fixture f;
    f.write(1);
    f.ui.decideSetup = [](TTxPrint&, TxSetupValues&) { return false; };
    bool previewed = false;
    f.ui.aoMostrarPreview = [&](TTxPrint&) { previewed = true; };
    EXPECT_FALSE(imprime_licitacao(f.tx, f.p));
    EXPECT_FALSE(previewed);
    EXPECT_FALSE(f.tx.JobAberto());
  }
}

// Every line of every page ends within the printer's 8-inch line, followed through the printer
// bytes as the printer's head moves, for the Epson, Rima, custom and HP models, on a proposal
// whose every text and amount is as wide as its file allows; the column titles stay inside
// their box; nothing is cut but what would run past the line.
// A model chosen in the preview's setup places the printout again for that printer's line, as if
// chosen from the start; should that fail (the response file gone), the job stays as it was.
TEST(TextPrintout, AModelChangedInThePreviewPlacesThePrintoutAgain) {
  Fixture hp;
  hp.tx.Impressora = TModelo::HP;
  hp.write(40);
  QList<QByteArray> forHp;
  const QByteArray hpBytes = hp.run(&forHp);

  Fixture f;
  f.write(40);
  QList<QByteArray> before, after;
  QByteArray prn;
  f.ui.aoMostrarPreview = [&](TTxPrint& t) {
    before = t.Itens();
    f.ui.decideSetup = [](TTxPrint&, TxSetupValues& v) {
      v.modelo = TModelo::HP;
      return true;
    };
    EXPECT_TRUE(t.Setup());
    after = t.Itens();
    EXPECT_TRUE(t.GravarImpressao(f.dir.file("OUT.PRN")));
    prn = f.dir.read("OUT.PRN");
    QFile::remove(f.p.proposal.responsePath());
    f.ui.decideSetup = [](TTxPrint&, TxSetupValues& v) {
      v.modelo = TModelo::Epson;
      return true;
    };
    EXPECT_THROW(t.Setup(), AppError);
    EXPECT_EQ(t.Impressora, TModelo::HP);
    EXPECT_EQ(t.Itens(), after);
  };
  EXPECT_TRUE(imprime_licitacao(f.tx, f.p));
  EXPECT_NE(before, after);
  EXPECT_EQ(after, forHp);
  EXPECT_EQ(prn, hpBytes);
}

TEST(TextPrintout, EveryLineEndsWithinThePrintersLine) {
  using cotavia::test::PrinterFamily;
  // Control bytes in the municipality's texts and the supplier's (ESC @ resets a printer, a form
  // feed ejects the page) are printed as blanks.
  const QByteArray longText = QByteArray("ABCD\x1b@G\x0c\tJ").repeated(20);
  QList<QByteArray> headers;
  for (int i = 0; i < 6; ++i) headers << longText.left(199);
  QList<cotavia::test::FixtureItem> items;
  for (int j = 1; j <= 14; ++j) {
    cotavia::test::FixtureItem it{QByteArray::number(j).rightJustified(4, '0'),
                                  "999999",
                                  longText.left(100),
                                  "MMMM",
                                  "MARCA MUITO LONGA XX",
                                  9999999999999LL,
                                  99999999999LL,
                                  99999999999LL,
                                  99999999999LL,
                                  99999999999LL};
    items.append(it);
  }
  const QList<QByteArray> supplier = {longText.left(120), longText.left(100), longText.left(60)};
  struct Case {
    TModelo model;
    PrinterFamily family;
  };
  for (const Case& c : {Case{TModelo::Epson, PrinterFamily::Epson}, Case{TModelo::Rima, PrinterFamily::Rima},
                        Case{TModelo::Personalizado, PrinterFamily::Epson}, Case{TModelo::HP, PrinterFamily::Hp}}) {
    Fixture f;
    f.tx.Impressora = c.model;
    cotavia::test::writeFixtureProposal(f.dir.path(), kId, "P0001.KVT", headers, items, &supplier);
    QList<QByteArray> placed;
    const QList<cotavia::test::HeadLine> lines = cotavia::test::followHead(f.run(&placed), c.family);
    ASSERT_GT(lines.size(), 60);
    for (const QByteArray& it : placed)
      EXPECT_FALSE(std::any_of(it.begin() + 14, it.end(), [](char b) { return uchar(b) < 32; })) << it.constData();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const auto& l) { return l.text.contains("ABCD @G  J"); }));
    bool titles = false, total = false;
    for (const cotavia::test::HeadLine& l : lines) {
      EXPECT_LE(l.end, 8.0 + 1e-9) << int(c.model) << " page " << l.page << " line " << l.line << ": "
                                   << l.text.constData();
      if (l.text.contains("Quantidade")) {
        titles = true;
        EXPECT_FALSE(l.overprinted()) << int(c.model) << ": " << l.text.constData();
        EXPECT_TRUE(l.text.contains("Total")) << l.text.constData();
      }
      // 14 x 999.999.999,99, every digit.
      total = total || l.text.contains("Total: 13.999.999.999,86");
      // Every amount whole, in its column.
      if (l.line > 14 && l.text.contains("MARCA MUIT")) {
        EXPECT_TRUE(
            l.text.contains("MARCA MUIT 999999999,9999 MMMM 9.999.999,9999 999.999.999,99 999.999.999,99 "
                            "999.999.999,99"))
            << l.text.constData();
      }
    }
    EXPECT_TRUE(titles);
    EXPECT_TRUE(total) << int(c.model);
  }
}
