#include "app/core/price_list.h"
#include "platform/amounts.h"

#include "core_fixtures.h"

#include <gtest/gtest.h>

using namespace cotavia;
using namespace cotavia::test;

namespace {

const QByteArray kHead = "item;marca;preco_unitario;desconto;acrescimo\r\n";

Proposal threeItems() {
  QByteArray content = joinCrLf(standardHeader());
  for (const char* n : {"0001", "0002", "0003"}) {
    Item it;
    it.number = n;
    it.quantity = "100000";  // 10
    content += itemLine(it) + "\r\n";
  }
  Proposal p;
  parseProposal(content, "P0001.KVT", p);
  return p;
}

std::string refusal(const QByteArray& list) {
  try {
    Proposal p = threeItems();
    const Proposal before = p;
    try {
      applyPriceList(p, parsePriceList(list, "precos.csv"), "precos.csv");
    } catch (...) {
      EXPECT_EQ(p.rows, before.rows) << "changed before refusing";
      throw;
    }
  } catch (const AppError& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(PriceList, AppliesAsOkOnEachItem) {
  // UTF-8 with a byte order mark, thousands dots optional, quoted fields, blanks trimmed,
  // an empty amount is zero.
  const QByteArray list = "\xEF\xBB\xBF" + kHead +
                          "0001;Marca \xC3\x81gil;1.234,5678;1,00;0,5\r\n"
                          "\r\n"
                          " 3 ;\"Tinta; azul\";2,5;;\n";
  Proposal p = threeItems();
  QList<PriceLine> lines = parsePriceList(list, "precos.csv");
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0].line, 2);
  EXPECT_EQ(lines[1].line, 4);
  EXPECT_EQ(lines[0].brand, "Marca \xC1gil");  // Windows-1252
  EXPECT_EQ(lines[1].brand, "Tinta; azul");

  // "3" does not match "0003": item numbers are compared as text.
  EXPECT_EQ(refusal(kHead + "3;x;1;;\r\n"), "precos.csv:2: o item 3 não está na proposta");

  lines[1].item = "0003";
  EXPECT_EQ(applyPriceList(p, lines, "precos.csv"), 2);
  EXPECT_EQ(p.rows[0][ColUnitPrice], "1.234,5678");
  EXPECT_EQ(p.rows[0][ColDiscount], "      1,00");
  EXPECT_EQ(p.rows[0][ColSurcharge], "      0,50");
  EXPECT_EQ(p.rows[0][ColTotal], "     12.345,18");  // 0,5 + 12345,678 - 1 = 12345,178
  EXPECT_EQ(p.rows[0][ColBrand], "Marca \xC1gil");
  EXPECT_EQ(p.rows[1][ColUnitPrice], QByteArray(10, ' '));  // not listed: untouched
  EXPECT_EQ(p.rows[2][ColUnitPrice], "    2,5000");
  EXPECT_EQ(p.rows[2][ColDiscount], "      0,00");
  EXPECT_EQ(p.rows[2][ColTotal], "         25,00");

  // Windows-1252 input is taken as it is; extra empty fields at the end are tolerated.
  lines = parsePriceList("ITEM;Marca;Preco_Unitario;Desconto;Acrescimo;;\r\n0002;Pap\xE9is;10;;;\r\n", "p.csv");
  EXPECT_EQ(lines[0].brand, "Pap\xE9is");
  EXPECT_EQ(lines[0].unitPrice, 10);
}

TEST(PriceList, EachBadLineIsRefusedNamingIt) {
  auto has = [](const std::string& s, const char* part) { return s.find(part) != std::string::npos; };
  const QByteArray ok = "0001;A;1;;\r\n";
  EXPECT_TRUE(has(refusal("item;marca;preco\r\n" + ok), "precos.csv:1: a primeira linha deve ser")) << "header";
  EXPECT_TRUE(has(refusal(""), "precos.csv:1:"));
  std::string e = refusal(kHead + ok + "0009;B;1;;\r\n");
  EXPECT_EQ(e, "precos.csv:3: o item 0009 não está na proposta");
  e = refusal(kHead + ok + "0002;B;1,23456;;\r\n");
  EXPECT_TRUE(has(e, "precos.csv:3:") && has(e, "mais de 4 casas decimais")) << e;
  e = refusal(kHead + "0002;B;1;1,001;\r\n");
  EXPECT_TRUE(has(e, "precos.csv:2:") && has(e, "desconto") && has(e, "mais de 2 casas decimais")) << e;
  e = refusal(kHead + "0002;B;1;;-1\r\n");
  EXPECT_TRUE(has(e, "precos.csv:2:") && has(e, "acréscimo negativo: '-1'")) << e;
  for (const char* bad : {"abc", "1.23", "12.3456,7", "1234.567,89", "1,2,3", "1 000", "R$ 5", ",5", "1."}) {
    e = refusal(kHead + "0002;B;" + QByteArray(bad) + ";;\r\n");
    EXPECT_TRUE(has(e, "precos.csv:2:") && has(e, "não é um valor como 1.234,56")) << bad << ": " << e;
  }
  e = refusal(kHead + ok + ok);
  EXPECT_TRUE(has(e, "precos.csv:3:") && has(e, "já aparece na linha 2")) << e;
  e = refusal(kHead + "0001;B;1\r\n");
  EXPECT_TRUE(has(e, "precos.csv:2:") && has(e, "esperados 5 campos")) << e;
  e = refusal(kHead + ";B;1;;\r\n");
  EXPECT_TRUE(has(e, "número do item está vazio")) << e;
  e = refusal(kHead + "0001;MARCA COM MAIS DE VINTE;1;;\r\n");
  EXPECT_TRUE(has(e, "tem mais de 20 caracteres")) << e;
  EXPECT_EQ(refusal(kHead + "0001;" + QByteArray(20, 'M') + ";1;;\r\n"), "no error");
  EXPECT_TRUE(has(refusal(kHead + "0001;" + QByteArray(21, 'M') + ";1;;\r\n"), "tem mais de 20 caracteres"));
  // A brand Windows-1252 cannot hold (an emoji; UTF-8 here) would be saved as "?".
  e = refusal("\xEF\xBB\xBF" + kHead + ok + "0002;Bic \xF0\x9F\x98\x80 Pre\xC3\xA7o;1;;\r\n");
  EXPECT_TRUE(has(e, "precos.csv:3: a linha contém \xF0\x9F\x98\x80, que o arquivo")) << e;
  // Quantity 10 x 1,00 - 10,01: a negative item total, after a good line (nothing applied).
  e = refusal(kHead + ok + "0002;B;1;10,01;\r\n");
  EXPECT_TRUE(has(e, "precos.csv:3:") && has(e, "total do item -0,01 seria negativo")) << e;
  e = refusal(kHead + "0002;B;1;99999999999999999999;\r\n");  // far below what a total shows
  EXPECT_TRUE(has(e, "o total do item, abaixo de -999.999.999.999,99, seria negativo")) << e;
  // A unit price the proposal file cannot hold (10 000 000 or more), named by its line.
  e = refusal(kHead + ok + "0003;B;10.000.000;;\r\n");
  EXPECT_TRUE(has(e, "precos.csv:3: item 0003:") && has(e, "grande demais")) << e;
  EXPECT_EQ(refusal(kHead + "0003;B;9.999.999,9999;;\r\n"), "no error");
  // Exactly zero is a valid bid.
  EXPECT_EQ(refusal(kHead + "0002;B;1;10,00;\r\n"), "no error");
}

// A call that repeats an item number (lots): the code column picks the item; without it, or
// when it picks none or several, the line is refused naming the items. A number used once
// needs no code.
TEST(PriceList, RepeatedItemNumbersArePickedByTheirCode) {
  QByteArray content = joinCrLf(standardHeader());
  for (const auto& [n, code] :
       {std::pair{"0001", "000100"}, {"0003", "000123"}, {"0003", "000124"}, {"0005", "000200"}, {"0005", "000200"}}) {
    Item it;
    it.number = n;
    it.code = code;
    content += itemLine(it) + "\r\n";
  }
  Proposal proposal;
  parseProposal(content, "P0001.KVT", proposal);
  const QByteArray head = "item;marca;preco_unitario;desconto;acrescimo;codigo\r\n";
  struct Case {
    QByteArray list;
    const char* expected;  // the refusal, or the rows priced ("ok 2" for the third item)
  };
  const Case cases[] = {
      {head + "0003;A;1;;;000124\r\n", "ok 2"},
      {head + "0003;A;1;;; 000123 \r\n0001;B;1;;;999999\r\n", "ok 0 1"},
      {kHead + "0003;A;1;;\r\n",
       "precos.csv:2: o item 0003 aparece 2 vezes na proposta, com os códigos 000123 e 000124; indique o código do "
       "item na coluna codigo"},
      {head + "0003;A;1;;;000999\r\n",
       "precos.csv:2: nenhum dos 2 itens 0003 da proposta tem o código 000999 (eles têm os códigos 000123 e 000124)"},
      {head + "0005;A;1;;;000200\r\n",
       "precos.csv:2: o item 0005 de código 000200 aparece 2 vezes na proposta (posições 4 e 5 da lista de itens)"},
      {head + "0003;A;1;;;000124\r\n0003;B;2;;;000124\r\n",
       "precos.csv:3: o item 0003 de código 000124 já aparece na linha 2"},
  };
  for (const Case& c : cases) {
    Proposal p = proposal;
    std::string got;
    try {
      applyPriceList(p, parsePriceList(c.list, "precos.csv"), "precos.csv");
      got = "ok";
      for (int r = 0; r < 5; ++r)
        if (p.rows[r] != proposal.rows[r]) got.append(1, ' ').append(1, char('0' + r));
    } catch (const AppError& e) {
      got = e.what();
      EXPECT_EQ(p.rows, proposal.rows);
    }
    EXPECT_TRUE(got.starts_with(c.expected)) << c.list.toStdString() << "\n got: " << got;
  }
}
