// Price list import: any content is parsed or refused with a message naming the line; a list
// that applies leaves a proposal that can be saved and reads back priced; a list that is
// refused leaves the proposal as it was.
#include "app/core/price_list.h"
#include "app/core/proposal_file.h"
#include "fuzz_support.h"
#include "platform/amounts.h"

#include <cstdint>

using namespace cotavia;

namespace {

// An unpriced item record: quantity x 10000 right-aligned in 13 columns, no amounts.
QByteArray itemLine(const char* item, const char* quantityX10000) {
  return "I" + QByteArray(item) + "000123" + padRight("ITEM " + QByteArray(item), 100) + padLeft(quantityX10000, 13) +
         "UN  " + QByteArray(44, ' ');
}

const Proposal& baseProposal() {
  static const Proposal p = [] {
    QList<QByteArray> lines = {"CPREFEITURA", "CRUA", "CPREGAO", "COBJETO", "CENTREGA", "CABERTURA"};
    lines += {itemLine("0001", "10000"),         itemLine("0002", "25000"), itemLine("0003", "1"),
              itemLine("0004", "9999999990000"), itemLine("0005", "0"),     itemLine("0006", "12345678")};
    Proposal r;
    parseProposal(fuzz::joinLines(lines), QStringLiteral("P0001.KVT"), r);
    return r;
  }();
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::startApp();
  baseProposal();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
  QList<PriceLine> lines;
  try {
    lines = parsePriceList(content, QStringLiteral("precos.csv"));
  } catch (const AppError& e) {
    FUZZ_CHECK(QByteArray(e.what()).startsWith("precos.csv:"));
    return 0;
  }
  for (const PriceLine& l : lines) {
    FUZZ_CHECK(l.line >= 2 && !l.item.isEmpty() && l.brand.size() <= 20);
    FUZZ_CHECK(l.unitPrice >= 0 && l.discount >= 0 && l.surcharge >= 0);
  }

  Proposal p = baseProposal();
  try {
    applyPriceList(p, lines, QStringLiteral("precos.csv"));
  } catch (const AppError& e) {
    FUZZ_CHECK(QByteArray(e.what()).startsWith("precos.csv:"));
    FUZZ_CHECK(p.rows == baseProposal().rows);
    return 0;
  }
  QList<QByteArray> saved;
  try {
    saved = responseFileLines(p);
  } catch (const AppError& e) {
    fuzz::fail("a priced proposal cannot be saved", __FILE__, __LINE__, e.what());
  }
  Proposal q;
  try {
    parseProposal(fuzz::joinLines(saved), QStringLiteral("E_P0001.KVT"), q);
  } catch (const AppError& e) {
    fuzz::fail("a saved priced proposal does not load again", __FILE__, __LINE__, e.what());
  }
  FUZZ_CHECK(q.rows.size() == p.rows.size());
  for (int i = 0; i < p.rows.size(); ++i)
    for (int c = 0; c < GridColumnCount; ++c)
      FUZZ_CHECK_MSG(q.rows[i][c] == p.rows[i][c], "row " + QByteArray::number(i + 1) + " column " +
                                                       QByteArray::number(c) + ": '" + p.rows[i][c] + "' became '" +
                                                       q.rows[i][c] + "'");
  return 0;
}
