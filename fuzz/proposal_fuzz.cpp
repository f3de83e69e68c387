// Proposal file reader: any content either loads or is refused with a message; a proposal that
// loads and can be saved reads back, from the saved lines, exactly as the grid showed it.
#include "app/core/proposal_file.h"
#include "fuzz_support.h"
#include "platform/amounts.h"

#include <cstdint>

using namespace cotavia;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
  Proposal p;
  try {
    parseProposal(content, QStringLiteral("P0001.KVT"), p);
  } catch (const ProposalLoadError& e) {
    FUZZ_CHECK(e.line() > 0 || p.rows.isEmpty());  // line 0: the file as a whole is not a proposal
    FUZZ_CHECK(p.rows.size() == p.sourceLines.size());
    return 0;
  }
  FUZZ_CHECK(p.rows.size() == p.sourceLines.size());

  QList<QByteArray> lines;
  try {
    lines = responseFileLines(p);
  } catch (const AppError&) {
    return 0;  // refused with a message naming the item
  }
  Proposal q;
  try {
    parseProposal(fuzz::joinLines(lines), QStringLiteral("E_P0001.KVT"), q);
  } catch (const AppError& e) {
    fuzz::fail("a saved proposal does not load again", __FILE__, __LINE__, e.what());
  }
  for (int h = 0; h < HeaderCount; ++h) FUZZ_CHECK(q.header[h] == padRight(p.header[h], 199));
  const int count = itemCount(p.rows);
  FUZZ_CHECK(q.rows.size() == count);
  for (int i = 0; i < count; ++i) {
    for (int c = 0; c < GridColumnCount; ++c) {
      // A unit cut short by the end of its line comes back padded by the blank amounts after it.
      const QByteArray a = c == ColUnit ? trimRight(p.rows[i][c]) : p.rows[i][c];
      const QByteArray b = c == ColUnit ? trimRight(q.rows[i][c]) : q.rows[i][c];
      FUZZ_CHECK_MSG(a == b, "row " + QByteArray::number(i + 1) + " column " + QByteArray::number(c) + ": '" + a +
                                 "' became '" + b + "'");
    }
  }
  return 0;
}
