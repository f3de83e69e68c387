// cotavia prices: the prices of the proposal as last saved, written as a price list (.xlsx or
// .csv) for the next bid.
#include "app/core/price_export.h"
#include "cli/cli.h"

#include <cstdio>

namespace cotavia::cli {

int cmdPrices(const Args& a) {
  const QString out = required(a, "out");
  checkTableName(out);
  const int items = exportPrices(proposalRef(a), out);
  if (a.verbose()) std::printf("%d item(ns) gravado(s) em %s\n", items, out.toLocal8Bit().constData());
  return 0;
}

}  // namespace cotavia::cli
