#include "app/core/price_memory.h"

namespace cotavia {

namespace {
QString& bookLocation() {
  static QString location;
  return location;
}
}  // namespace

void setPriceBookLocation(const QString& location) { bookLocation() = location; }
QString priceBookLocation() { return bookLocation(); }
PriceSource priceSourceOf(const Proposal&, const QString&, const QDateTime&) { return {}; }
QList<PricedItem> pricedItemsOf(const Proposal&) { return {}; }
QList<ItemQuery> itemQueriesOf(const Proposal&, bool) { return {}; }
QString recordSavedProposal(const SaveTarget&, const Proposal&) { return {}; }
QList<PriceSuggestion> suggestForProposal(PriceBook&, const Proposal&, const SuggestOptions&) { return {}; }
QList<PriceLine> priceLinesOf(const QList<PriceSuggestion>&) { return {}; }
FolderImport importFolder(PriceBook&, const QString&) { return {}; }

}  // namespace cotavia
