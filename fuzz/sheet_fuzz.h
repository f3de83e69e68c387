#pragma once
// The shared body of the spreadsheet price list targets (xlsx_price_list, ods_price_list).
// An input starting with "PK" is the file itself (the zip container is fuzzed); any other input
// is a list of parts, each "@@ NAME" on a line and then its content, zipped here, so that the
// XML readers behind the container are reached. Properties: the list is read or refused with
// a message naming the file; a list that applies leaves a proposal that can be saved and reads
// back; a refused list leaves the proposal as it was.
#include "app/core/price_list.h"
#include "app/core/proposal_file.h"
#include "fuzz_support.h"
#include "platform/amounts.h"
#include "support/zip_write.h"

#include <cstdint>

namespace cotavia::fuzz {

inline QByteArray sheetFromInput(const QByteArray& input) {
  if (input.startsWith("PK")) return input;
  QList<std::pair<QString, QByteArray>> parts;
  const QByteArray text = "\n" + input;
  qsizetype at = text.indexOf("\n@@ ");
  while (at >= 0) {
    const qsizetype nameStart = at + 4;
    const qsizetype nameEnd = text.indexOf('\n', nameStart);
    if (nameEnd < 0) break;
    const qsizetype next = text.indexOf("\n@@ ", nameEnd);
    const qsizetype length = (next < 0 ? text.size() : next) - nameEnd - 1;
    const QByteArray name = text.mid(nameStart, nameEnd - nameStart);
    if (!name.isEmpty())
      parts.append({QString::fromLatin1(name), text.mid(nameEnd + 1, std::max<qsizetype>(length, 0))});
    at = next;
  }
  if (parts.isEmpty()) return input;
  try {
    return test::zipArchive(parts);
  } catch (const std::exception&) {
    return input;
  }
}

inline const Proposal& sheetBaseProposal() {
  static const Proposal p = [] {
    auto itemLine = [](const char* item, const char* quantityX10000) {
      return "I" + QByteArray(item) + "000123" + padRight("ITEM " + QByteArray(item), 100) +
             padLeft(quantityX10000, 13) + "UN  " + QByteArray(44, ' ');
    };
    QList<QByteArray> lines = {"CPREFEITURA", "CRUA", "CPREGAO", "COBJETO", "CENTREGA", "CABERTURA"};
    lines += {itemLine("0001", "10000"),         itemLine("0002", "25000"), itemLine("0003", "1"),
              itemLine("0004", "9999999990000"), itemLine("0005", "0"),     itemLine("  12", "12345678")};
    Proposal r;
    parseProposal(joinLines(lines), QStringLiteral("P0001.KVT"), r);
    return r;
  }();
  return p;
}

inline int sheetPriceListOneInput(const uint8_t* data, size_t size, const QString& fileName) {
  const QByteArray file = sheetFromInput(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  const QByteArray prefix = fileName.toUtf8() + ":";
  QList<PriceLine> lines;
  try {
    lines = parsePriceListFile(file, fileName);
  } catch (const AppError& e) {
    FUZZ_CHECK_MSG(QByteArray(e.what()).startsWith(prefix), e.what());
    return 0;
  }
  for (const PriceLine& l : lines) {
    FUZZ_CHECK(l.line >= 2 && !l.item.isEmpty() && l.brand.size() <= 20);
    FUZZ_CHECK(l.unitPrice >= 0 && l.discount >= 0 && l.surcharge >= 0);
  }
  Proposal p = sheetBaseProposal();
  try {
    applyPriceList(p, lines, fileName);
  } catch (const AppError& e) {
    FUZZ_CHECK_MSG(QByteArray(e.what()).startsWith(prefix), e.what());
    FUZZ_CHECK(p.rows == sheetBaseProposal().rows);
    return 0;
  }
  QList<QByteArray> saved;
  try {
    saved = responseFileLines(p);
  } catch (const AppError& e) {
    fail("a priced proposal cannot be saved", __FILE__, __LINE__, e.what());
  }
  Proposal q;
  try {
    parseProposal(joinLines(saved), QStringLiteral("E_P0001.KVT"), q);
  } catch (const AppError& e) {
    fail("a saved priced proposal does not load again", __FILE__, __LINE__, e.what());
  }
  FUZZ_CHECK(q.rows == p.rows);
  return 0;
}

}  // namespace cotavia::fuzz

// The entry points of a spreadsheet target, its inputs read as the file `name` ("precos.ods").
#define COTAVIA_SHEET_FUZZ_TARGET(name)                                             \
  extern "C" int LLVMFuzzerInitialize(int*, char***) {                              \
    cotavia::fuzz::startApp();                                                      \
    cotavia::fuzz::sheetBaseProposal();                                             \
    return 0;                                                                       \
  }                                                                                 \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {         \
    return cotavia::fuzz::sheetPriceListOneInput(data, size, QStringLiteral(name)); \
  }
