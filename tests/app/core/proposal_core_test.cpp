#include "app/core/item_entry.h"
#include "app/core/proposal_file.h"
#include "platform/amounts.h"

#include "core_fixtures.h"
#include "support/support.h"

#include <gtest/gtest.h>

#include <random>

using namespace cotavia;
using namespace cotavia::test;

namespace {

Proposal parse(const QByteArray& content) {
  Proposal p;
  parseProposal(content, "P0001.KVT", p);
  return p;
}

QByteArray sixHeaders() { return joinCrLf(standardHeader()); }

GridRow rowWithQuantity(const QByteArray& quantityCell) {
  GridRow r;
  r[ColItem] = "0001";
  r[ColQuantity] = quantityCell;
  return r;
}

}  // namespace

TEST(ProposalReading, HeaderAndItemFields) {
  const Item a{.quantity = "25000"};
  const Item b{.number = "0002",
               .code = "ABC",
               .description = "PAPEL A4 75 G/M\xB2",
               .quantity = "1",
               .unit = "CX",
               .price = "12345678",
               .discount = "123456",
               .surcharge = "0",
               .total = "123456",
               .brand = "CHAMEX EXTRA BRANCO XYZ"};  // 23 characters: only 20 are read
  const Proposal p = parse(sixHeaders() + itemLine(a) + "\r\n" + itemLine(b) + "\r\n");

  EXPECT_EQ(p.header[HeaderOrgao], "PREFEITURA MUNICIPAL DE S\xC3O TESTE");
  EXPECT_EQ(p.header[HeaderModalidade], "Modalidade: Preg\xE3o Presencial n\xBA 012/2026");
  EXPECT_EQ(p.header[HeaderAbertura], "Abertura: 10/03/2026 \xE0s 09:30");
  ASSERT_EQ(p.rows.size(), 2);
  EXPECT_EQ(p.sourceLines, (QList<int>{7, 8}));

  const GridRow& r1 = p.rows[0];
  EXPECT_EQ(r1[ColItem], "0001");
  EXPECT_EQ(r1[ColCode], "000123");
  EXPECT_EQ(r1[ColDescription].size(), 100);  // copied as is, blanks included
  EXPECT_EQ(r1[ColQuantity], "        2,5000");
  EXPECT_EQ(r1[ColUnit], "UN  ");
  EXPECT_EQ(r1[ColUnitPrice], QByteArray(10, ' '));  // unpriced: blank cells
  EXPECT_EQ(r1[ColDiscount], QByteArray(10, ' '));
  EXPECT_EQ(r1[ColSurcharge], QByteArray(10, ' '));
  EXPECT_EQ(r1[ColTotal], QByteArray(14, ' '));
  EXPECT_EQ(r1[ColBrand], "");

  const GridRow& r2 = p.rows[1];
  EXPECT_EQ(r2[ColCode], "ABC   ");
  EXPECT_EQ(r2[ColQuantity], "        0,0001");
  EXPECT_EQ(r2[ColUnitPrice], "1.234,5678");
  EXPECT_EQ(r2[ColDiscount], "  1.234,56");
  EXPECT_EQ(r2[ColSurcharge], "      0,00");  // a zero written by the program shows as zero
  EXPECT_EQ(r2[ColTotal], "      1.234,56");
  EXPECT_EQ(r2[ColBrand], "CHAMEX EXTRA BRANCO ");
}

TEST(ProposalReading, WhichLinesAreItems) {
  Item a;
  // Not a proposal the program can read: refused at open, so nothing is ever saved over it. A
  // file a text editor saved with a byte order mark is read converted, without the mark.
  const QString text = QString::fromLatin1(sixHeaders() + itemLine(a));  // Latin-1 agrees with it here
  const QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  struct Case {
    QByteArray content;
    const char* refusal;  // nullptr: read, with its first header and its item
  };
  for (const Case& c : {
           Case{"", "não tem nenhum item"},
           Case{sixHeaders(), "não tem nenhum item"},
           Case{utf16, "nenhum item"},                            // UTF-16 without its mark
           Case{"\xFF\xFE" + utf16 + "x", "não é texto UTF-16"},  // half a character at the end
           Case{"\xEF\xBB\xBF" + text.toUtf8() + "I\xF0\x9F\x93\x8E", "\xF0\x9F\x93\x8E"},
           Case{"\xEF\xBB\xBF" + text.toUtf8(), nullptr},
           Case{"\xFF\xFE" + utf16, nullptr},
       }) {
    Proposal p;
    try {
      parseProposal(c.content, "P0001.KVT", p);
      EXPECT_EQ(c.refusal, nullptr) << c.content.left(20).toHex().toStdString();
      EXPECT_EQ(p.header[0], "PREFEITURA MUNICIPAL DE S\xC3O TESTE");
      EXPECT_EQ(p.rows.size(), 1);
    } catch (const ProposalLoadError& e) {
      ASSERT_NE(c.refusal, nullptr) << e.what();
      EXPECT_NE(e.runtimeText().find(c.refusal), std::string::npos) << e.runtimeText();
      EXPECT_EQ(e.line(), 0);
      EXPECT_TRUE(p.rows.isEmpty());
    }
  }

  QByteArray lower = itemLine(a);
  lower[0] = 'i';
  // Three lines only: the missing header fields are empty; a header line beginning with "I"
  // is both a header text and an item; a lowercase "i" is not an item.
  const Proposal p = parse("CLicitante\r\n" + itemLine(a) + "\r\n" + lower + "\r\n");
  EXPECT_EQ(p.header[0], "Licitante");
  EXPECT_EQ(p.header[1], itemLine(a).mid(1));
  EXPECT_EQ(p.header[3], "");
  ASSERT_EQ(p.rows.size(), 1);
  EXPECT_EQ(p.sourceLines[0], 2);

  // Items are found anywhere after the header, other lines ignored; trailing blanks of a
  // header stay; a lone LF or a lone CR ends a line too.
  const Proposal q = parse(QByteArray("CUm   \nC2\rC3\nC4\nC5\nC6\nqualquer coisa\n") + itemLine(a) + "\n\n" +
                           itemLine(a) + "\r" + itemLine(a));
  EXPECT_EQ(q.header[0], "Um   ");
  EXPECT_EQ(q.header[2], "3");
  EXPECT_EQ(q.sourceLines, (QList<int>{8, 10, 11}));
}

TEST(ProposalReading, ConversionErrorsKeepTheRowsBefore) {
  Item good;
  Item bad;
  bad.number = "0002";
  bad.price = "12a";
  const QByteArray content = sixHeaders() + itemLine(good) + "\r\n" + itemLine(bad) + "\r\n" + itemLine(good) + "\r\n";
  Proposal p;
  try {
    parseProposal(content, "/x/P0001.KVT", p);
    FAIL() << "no error";
  } catch (const ProposalLoadError& e) {
    EXPECT_EQ(e.line(), 8);
    EXPECT_EQ(e.runtimeText(), "'        12a' is not a valid floating point value");
    EXPECT_STREQ(e.what(), "/x/P0001.KVT:8: '        12a' is not a valid floating point value");
  }
  EXPECT_EQ(p.header[0], "PREFEITURA MUNICIPAL DE S\xC3O TESTE");
  EXPECT_EQ(p.rows.size(), 1);

  // A line too short for its quantity fails with an empty text.
  try {
    parse(sixHeaders() + "I0001000123curto\r\n");
    FAIL() << "no error";
  } catch (const ProposalLoadError& e) {
    EXPECT_EQ(e.runtimeText(), "'' is not a valid floating point value");
  }

  // A missing file: nothing loaded, the file named.
  TempDir dir;
  try {
    loadProposal(dir.file("P9999.KVT"), p);
    FAIL() << "no error";
  } catch (const ProposalLoadError& e) {
    EXPECT_EQ(e.line(), 0);
    EXPECT_EQ(e.runtimeText(), "File not found");
    EXPECT_NE(std::string(e.what()).find("P9999.KVT: File not found"), std::string::npos);
  }
  EXPECT_TRUE(p.rows.isEmpty());

  // A file over the size limit (a sparse one here) is refused before it is read.
  QFile big(dir.file("P0002.KVT"));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(kMaxProposalFileBytes + 1));
  big.close();
  try {
    loadProposal(dir.file("P0002.KVT"), p);
    FAIL() << "no error";
  } catch (const ProposalLoadError& e) {
    EXPECT_EQ(e.line(), 0);
    EXPECT_EQ(e.runtimeText(),
              "o arquivo tem 33 MB, mais que o limite de 32 MB de um arquivo de proposta; confira "
              "se é o arquivo da licitação");
  }
}

TEST(ProposalReading, MoreItemsThanTheOldGridHeld) {
  QByteArray content = sixHeaders();
  Item a;
  for (int i = 0; i < 9500; ++i) {
    a.number = QByteArray::number(i % 10000).rightJustified(4, '0');
    content += itemLine(a) + "\r\n";
  }
  TempDir dir;
  dir.write("P0001.KVT", content);
  const Proposal p = loadProposal(dir.file("P0001.KVT"));
  EXPECT_EQ(p.rows.size(), 9500);
  EXPECT_EQ(p.rows.last()[ColItem], "9499");
}

TEST(ProposalReading, RandomAndTruncatedLinesNeverCrash) {
  std::mt19937 rng(12345);
  const QByteArray good =
      itemLine({.price = "12345", .discount = "1", .surcharge = "2", .total = "12346", .brand = "MARCA"});
  const char alphabet[] = "I 0123456789,.-+eEC\xE7\t\r";
  int loaded = 0, refused = 0;
  for (int round = 0; round < 3000; ++round) {
    QByteArray content;
    const int lines = rng() % 12;
    for (int l = 0; l < lines; ++l) {
      QByteArray line;
      switch (rng() % 4) {
        case 0:
          line = good.left(rng() % (good.size() + 10));
          break;   // truncated
        case 1: {  // one byte changed
          line = good;
          line[rng() % line.size()] = alphabet[rng() % (sizeof alphabet - 1)];
          break;
        }
        case 2:  // random bytes, often an item mark
          for (int n = rng() % 220; n > 0; --n) line += static_cast<char>(rng() % 256);
          if (rng() % 2) line.prepend('I');
          break;
        default:
          line = good;
      }
      content += line + ((rng() % 3) ? "\r\n" : "\n");
    }
    if (rng() % 2) content.chop(rng() % 3);
    Proposal p;
    try {
      parseProposal(content, "F", p);
      ++loaded;
      for (const GridRow& r : p.rows) EXPECT_LE(r[ColBrand].size(), 20);
    } catch (const ProposalLoadError& e) {
      ++refused;
      if (e.line() == 0) {  // the file as a whole: no item in it
        EXPECT_NE(e.runtimeText().find("nenhum item"), std::string::npos) << e.runtimeText();
        continue;
      }
      EXPECT_NE(e.runtimeText().find("is not a valid floating point value"), std::string::npos) << e.runtimeText();
    }
  }
  EXPECT_GT(loaded, 100);
  EXPECT_GT(refused, 100);
}

TEST(ResponseWriting, RecordsAtTheirColumns) {
  Item a;
  a.quantity = "10000";  // 1
  a.brand = "";
  Item b;
  b.number = "0002";
  b.quantity = "250000";
  const Proposal p = parse(sixHeaders() + itemLine(a) + "\r\n" + itemLine(b) + "\r\n");
  Proposal priced = p;
  applyItemEntry(priced.rows[1], "MARCA COM VINTE CARA", 0, 0, 0);  // confirmed with nothing typed

  const QList<QByteArray> lines = responseFileLines(priced);
  ASSERT_EQ(lines.size(), 8);
  EXPECT_EQ(lines[0], lj("CPREFEITURA MUNICIPAL DE S\xC3O TESTE", 200));
  EXPECT_EQ(lines[0].size(), 200);
  // An unpriced item: eleven blanks in each money field; the quantity 1 is 10000.
  EXPECT_EQ(lines[6], itemLine(a));
  EXPECT_EQ(lines[6].mid(111, 13), "        10000");
  EXPECT_EQ(lines[6].size(), 172);
  // Confirmed with empty amounts: a single 0 at the right end of each field.
  EXPECT_EQ(lines[7].mid(128, 11), "          0");
  EXPECT_EQ(lines[7].mid(139, 11), "          0");
  EXPECT_EQ(lines[7].mid(150, 11), "          0");
  EXPECT_EQ(lines[7].mid(161, 11), "          0");
  EXPECT_EQ(lines[7].mid(111, 13), "       250000");
  EXPECT_EQ(lines[7].mid(172), "MARCA COM VINTE CARA");  // 20 characters: the whole record
  EXPECT_EQ(lines[7].size(), 192);
  // A line cut short after its unit (blanks trimmed by the sender): the unit keeps its four
  // columns, so the prices and the brand stay where a reader looks for them.
  Proposal cut = parse(sixHeaders() + itemLine(a).left(126) + "\r\n");
  applyItemEntry(cut.rows[0], "ACME", 2.5L, 0, 0);
  const QByteArray record = responseFileLines(cut)[6];
  EXPECT_EQ(record.mid(124, 4), "UN  ");
  EXPECT_EQ(record.mid(128, 11), "      25000");
  EXPECT_EQ(record.mid(172), "ACME");

  // A header text of 199 characters (as read back from our own file) is not lengthened; a
  // longer one is written whole.
  Proposal h = p;
  h.header[0] = QByteArray(199, 'x');
  h.header[1] = QByteArray(250, 'y');
  const QList<QByteArray> hl = responseFileLines(h);
  EXPECT_EQ(hl[0].size(), 200);
  EXPECT_EQ(hl[1].size(), 251);

  EXPECT_EQ(responseFileName("12345678000190", "P0001.KVT"), "E12345678000190_P0001.KVT");
}

TEST(ResponseWriting, SaveAndReopenGivesTheSameGrid) {
  QByteArray content = sixHeaders();
  for (int i = 1; i <= 40; ++i) {
    Item it;
    it.number = QByteArray::number(i).rightJustified(4, '0');
    it.description = "ITEM N\xBA " + QByteArray::number(i) + QByteArray(i * 2, '*');
    it.quantity = QByteArray::number(i * 12345);
    content += itemLine(it) + "\r\n";
  }
  Proposal p = parse(content);
  applyItemEntry(p.rows[0], "ACME", 2.5L, 1, 0.5L);
  applyItemEntry(p.rows[5], "BETA LTDA", 1234567.8912L, 0.99L, 1000000);
  applyItemEntry(p.rows[39], "", 0, 0, 0);
  const long double total = grandTotal(p.rows);

  const QList<QByteArray> lines = responseFileLines(p);
  QByteArray written;
  for (const auto& l : lines) written += l + "\r\n";
  const Proposal back = parse(written);
  EXPECT_EQ(back.rows, p.rows);
  for (int i = 0; i < HeaderCount; ++i) EXPECT_EQ(trimRight(back.header[i]), trimRight(p.header[i]));
  EXPECT_EQ(grandTotal(back.rows), total);
  // Writing what was read back gives the same bytes.
  EXPECT_EQ(responseFileLines(back), lines);
}

TEST(ResponseWriting, RefusesWhatTheFileCannotHold) {
  Item a;
  const Proposal base = parse(sixHeaders() + itemLine(a) + "\r\n");
  auto refusal = [](const Proposal& p) -> std::string {
    try {
      responseFileLines(p);
    } catch (const AppError& e) {
      return e.what();
    }
    return "no error";
  };
  auto contains = [](const std::string& text, const char* part) { return text.find(part) != std::string::npos; };

  Proposal p = base;  // a negative total
  applyItemEntry(p.rows[0], "", 1, 1000, 0);
  std::string e = refusal(p);
  EXPECT_TRUE(contains(e, "item 0001")) << e;
  EXPECT_TRUE(contains(e, "negativo")) << e;

  p = base;  // the widest unit price that fits, then one that does not
  applyItemEntry(p.rows[0], "", 9999999.9999L, 0, 0);
  EXPECT_EQ(responseFileLines(p)[6].mid(128, 11), "99999999999");
  applyItemEntry(p.rows[0], "", 10000000, 0, 0);
  e = refusal(p);
  EXPECT_TRUE(contains(e, "item 0001")) << e;
  EXPECT_TRUE(contains(e, "preço unitário 10.000.000,0000 grande demais")) << e;

  p = base;  // discount, surcharge and total of 1 000 000 000
  applyItemEntry(p.rows[0], "", 0, 1000000000, 0);
  e = refusal(p);
  EXPECT_TRUE(contains(e, "desconto")) << e;
  p = base;
  applyItemEntry(p.rows[0], "", 0, 0, 999999999.99L);
  EXPECT_EQ(responseFileLines(p)[6].mid(150, 11), "99999999999");
  applyItemEntry(p.rows[0], "", 0, 0, 1000000000);
  EXPECT_TRUE(contains(refusal(p), "acréscimo")) << refusal(p);

  p = base;  // a quantity of 1 000 000 000
  p.rows[0][ColQuantity] = "1.000.000.000,0000";
  EXPECT_TRUE(contains(refusal(p), "quantidade")) << refusal(p);
  p.rows[0][ColQuantity] = "999.999.999,9999";
  EXPECT_EQ(responseFileLines(p)[6].mid(111, 13), "9999999999999");

  p = base;  // items after a row without item number would be lost
  p.rows.append(p.rows[0]);
  p.rows[0][ColItem] = "    ";
  e = refusal(p);
  EXPECT_TRUE(contains(e, "linha 1 não tem número de item")) << e;
  p.rows.removeLast();  // the last item alone without number would be lost as well
  e = refusal(p);
  EXPECT_TRUE(contains(e, "linha 1 não tem número de item")) << e;
  // A response file the program would not open again.
  p = base;
  p.header[0] = QByteArray(kMaxProposalFileBytes, 'M');
  EXPECT_TRUE(contains(refusal(p), "a proposta gravada teria 33 MB, mais que o limite de 32 MB")) << refusal(p);
  // A text wider than its column, whoever typed it: named with its item and field, the rest of
  // the record not shifted. The brand keeps 20 characters.
  p = base;
  p.rows[0][ColBrand] = QByteArray(20, 'M');
  EXPECT_EQ(responseFileLines(p)[6].size(), 192);
  p.rows[0][ColBrand] = QByteArray(21, 'M');
  EXPECT_TRUE(contains(refusal(p), "item 0001 (linha 1): a marca 'MMMMMMMMMMMMMMMMMMMMM' tem 21 caracteres"))
      << refusal(p);
  p = base;
  p.rows[0][ColUnit] = "CAIXA";
  EXPECT_TRUE(contains(refusal(p), "a unidade 'CAIXA' tem 5 caracteres, mais que os 4")) << refusal(p);
  // No item at all: saved, it would replace the input with a file without items.
  p = base;
  p.rows.clear();
  EXPECT_TRUE(contains(refusal(p), "a proposta não tem nenhum item")) << refusal(p);
  // Empty rows after the list are fine.
  p = base;
  p.rows.append(GridRow());
  EXPECT_EQ(responseFileLines(p).size(), 7);
}

TEST(ItemEntry, TotalsAndCellsWrittenByOk) {
  // Quantity 10, unit price 2,5000, discount 1,00, surcharge 0,50.
  GridRow row = rowWithQuantity("       10,0000");
  row[ColUnitPrice] = QByteArray(10, ' ');
  const long double total = applyItemEntry(row, "ACME", 2.5L, 1, 0.5L);
  EXPECT_EQ(total, 24.5L);
  EXPECT_EQ(row[ColUnitPrice], "    2,5000");
  EXPECT_EQ(row[ColDiscount], "      1,00");
  EXPECT_EQ(row[ColSurcharge], "      0,50");
  EXPECT_EQ(row[ColTotal], "         24,50");
  EXPECT_EQ(row[ColBrand], "ACME");
  EXPECT_EQ(row[ColQuantity], "       10,0000");  // not written back

  // 3 x 0,3333 = 0,9999 rounds to a total of 1,00.
  row = rowWithQuantity("        3,0000");
  applyItemEntry(row, "", 0.3333L, 0, 0);
  EXPECT_EQ(row[ColTotal], "          1,00");
  EXPECT_EQ(row[ColUnitPrice], "    0,3333");

  // Confirmed with nothing typed: zeros, not blanks; a long brand stays whole.
  row = rowWithQuantity("        1,0000");
  applyItemEntry(row, "MARCA COM MAIS DE VINTE LETRAS", 0, 0, 0);
  EXPECT_EQ(row[ColUnitPrice], "    0,0000");
  EXPECT_EQ(row[ColDiscount], "      0,00");
  EXPECT_EQ(row[ColTotal], "          0,00");
  EXPECT_EQ(row[ColBrand], "MARCA COM MAIS DE VINTE LETRAS");

  // A discount larger than the product gives a negative total, shown with its sign.
  row = rowWithQuantity("        1,0000");
  EXPECT_EQ(applyItemEntry(row, "", 1, 3, 0), -2);
  EXPECT_EQ(row[ColTotal], "         -2,00");

  // Large amounts keep their digits (wider than the cell) and the quantity's thousands.
  row = rowWithQuantity("    1.000,0000");
  applyItemEntry(row, "", 12345.6789L, 0, 0);
  EXPECT_EQ(row[ColUnitPrice], "12.345,6789");
  EXPECT_EQ(row[ColTotal], " 12.345.678,90");

  // The order of the operations: surcharge + (price x quantity - discount).
  EXPECT_EQ(itemTotal(2, 3, 1, 0.5L), 5.5L);
  EXPECT_EQ(itemEntryTotal("        2,0000", 0.005L, 0, 0), 0.01L);
}

TEST(ItemEntry, GrandTotal) {
  QList<GridRow> rows;
  EXPECT_EQ(grandTotal(rows), 0);
  auto add = [&rows](const QByteArray& item, const QByteArray& total) {
    GridRow r;
    r[ColItem] = item;
    r[ColTotal] = total;
    rows.append(r);
  };
  add("0001", QByteArray(14, ' '));
  add("0002", QByteArray(14, ' '));
  EXPECT_EQ(grandTotal(rows), 0);  // all blank
  add("0003", "      1.234,56");
  add("0004", "          0,45");
  add("0005", "         -2,00");  // the digits only: counts as 2,00
  EXPECT_EQ(numEditFixed(grandTotal(rows), 2), "1237,01");
  add("    ", "        100,00");  // the item list ends here
  add("0007", "        100,00");
  EXPECT_EQ(numEditFixed(grandTotal(rows), 2), "1237,01");
}
