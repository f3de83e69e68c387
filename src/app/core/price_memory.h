#pragma once
// The price book (pricebook/price_book.h) seen from the proposals: what a save records, the
// queries of a proposal's items, suggestions turned into a price list, and a folder of saved
// proposals recorded at once.
#include "app/core/price_list.h"
#include "app/core/proposal_file.h"
#include "app/core/proposal_ref.h"
#include "pricebook/price_book.h"

#include <QStringList>

namespace cotavia {

// The book this program run uses: set by `--db` or the editor's settings; empty (the default)
// means PriceBook::defaultLocation().
void setPriceBookLocation(const QString& location);
QString priceBookLocation();

// The proposal's source: municipality (header line 1) and modality (line 3), trimmed.
PriceSource priceSourceOf(const Proposal& p, const QString& inputFileName, const QDateTime& savedAt);
// The priced items of the item list (a unit price, a discount or a surcharge filled in).
QList<PricedItem> pricedItemsOf(const Proposal& p);
// The items of the item list as queries; with `unpricedOnly` only those without any amount.
QList<ItemQuery> itemQueriesOf(const Proposal& p, bool unpricedOnly);
// The same question for one row of the grid.
ItemQuery itemQueryOf(const GridRow& row);

// After a save that succeeded ("Gravar", `cotavia fill`): records the proposal's priced items in
// the book at priceBookLocation(), replacing what its last save recorded. Never throws and never
// waits long: returns the warning to show (a Portuguese sentence: the proposal was saved, its
// prices were not remembered, why and what to do), or an empty text when all went well. A window
// that keeps the book open passes it (no opening and closing on every save).
QString recordSavedProposal(const ProposalRef& ref, const Proposal& p, PriceBook* openBook = nullptr);
// That warning for a book that failed `e` (one that could not even be opened).
QString notRecordedWarning(const std::exception& e);

// The suggestions for the items of `p` without a price, from the book: only items for which a
// price was found, in item order.
QList<PriceSuggestion> suggestForProposal(PriceBook& book, const Proposal& p, const SuggestOptions& options = {});

// Whether a suggestion's discount and surcharge (reais for the whole item) apply: only when the
// item's quantity is the one they were given for; otherwise the unit price and brand alone.
bool carriesAdjustments(const PriceSuggestion& s);

// Suggestions as the lines of a price list, to apply with applyPriceList (all or nothing, as
// the import does); discount and surcharge as carriesAdjustments says.
QList<PriceLine> priceLinesOf(const QList<PriceSuggestion>& suggestions);

// `cotavia history --import`: records every saved response file (E*_P*.KVT) of `folder`, each
// as its save would have (dated by the file's modification time).
struct FolderImport {
  int files = 0;        // response files recorded
  int entries = 0;      // priced items recorded
  QStringList refused;  // files that could not be read, each with its reason (Portuguese)
};
FolderImport importFolder(PriceBook& book, const QString& folder);

}  // namespace cotavia
