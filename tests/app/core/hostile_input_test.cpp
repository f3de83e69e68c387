// Inputs found by fuzzing that once corrupted data: each case checks the sound behaviour
// through the public API, with the files on disk left as they were.
#include "app/core/price_list.h"
#include "app/core/proposal_file.h"
#include "app/core/save.h"

#include "core_fixtures.h"
#include "support/support.h"

#include <gtest/gtest.h>

using namespace cotavia;
using namespace cotavia::test;

// A quantity or amount in exponent notation reads as a huge number that the grid shows in
// exponent form ("2E16"). Saving it must be refused: its digits alone ("216") would be written
// as a different, plausible quantity.
TEST(HostileProposal, AmountsInExponentFormAreRefusedAtSave) {
  struct Case {
    const char* what;
    Item item;
  };
  for (const Case& c :
       {Case{"quantidade", {.quantity = "2E20"}}, Case{"preço unitário", {.price = "5E19", .total = "100"}},
        Case{"total do item", {.price = "10000", .total = "1e30"}}}) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const QByteArray input = joinCrLf(standardHeader()) + itemLine(c.item) + "\r\n";
    dir.write("P0001.KVT", input);
    const Proposal p = loadProposal(dir.file("P0001.KVT"));
    ASSERT_EQ(p.rows.size(), 1);
    try {
      saveProposal({dir.path(), "P0001.KVT", "12345678000190"}, p, {"Fornecedor", "Rua", "Cidade"});
      FAIL() << "saved";
    } catch (const AppError& e) {
      EXPECT_NE(std::string(e.what()).find("item 0001 (linha 1): " + std::string(c.what)), std::string::npos)
          << e.what();
      EXPECT_NE(std::string(e.what()).find("grande demais para a sua coluna do arquivo"), std::string::npos)
          << e.what();
    }
    EXPECT_EQ(dir.read("P0001.KVT"), input);
    EXPECT_FALSE(dir.exists("E12345678000190_P0001.KVT"));
  }
}

// The same through a price list: a surcharge of 25 digits makes an item total that the grid
// shows in exponent form. The import is refused naming the price list's line, and the grid
// keeps its rows.
TEST(HostileProposal, PriceListAmountsTooLargeForTheFileAreRefused) {
  TempDir dir;
  dir.write("P0001.KVT", joinCrLf(standardHeader()) + itemLine(Item()) + "\r\n");
  Proposal p = loadProposal(dir.file("P0001.KVT"));
  const Proposal before = p;
  const QList<PriceLine> lines = parsePriceList(
      "item;marca;preco_unitario;desconto;acrescimo\r\n0001;Marca;0,98;;6660000000000000000000000\r\n", "precos.csv");
  ASSERT_EQ(lines.size(), 1);
  try {
    applyPriceList(p, lines, "precos.csv");
    FAIL() << "applied";
  } catch (const AppError& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with("precos.csv:2: item 0001: ")) << e.what();
    EXPECT_NE(std::string(e.what()).find("grande demais"), std::string::npos) << e.what();
  }
  EXPECT_EQ(p.rows, before.rows);
}
