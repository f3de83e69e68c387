#pragma once
// The proposal's prices written out for the next bid: a sheet (.xlsx) or ";"-separated text
// (.csv, Windows-1252) whose first five columns are a price list's
// (item;marca;preco_unitario;desconto;acrescimo), followed, for the reader, by code,
// description, quantity, unit and item total. Unpriced items have empty amounts. Importing the
// file unchanged prices every item as it was.
#include "app/core/proposal_file.h"
#include "app/core/proposal_ref.h"

namespace cotavia {

// The item list of `p` written to `path` (atomically) as .xlsx or .csv, by the name's
// extension; any other extension is refused. Returns the number of items written.
int writePriceExport(const Proposal& p, const QString& path);

// The response file as last saved (what the printouts show); a proposal never saved is
// refused with a message that says to save it first.
Proposal loadSavedProposal(const ProposalRef& ref);

// loadSavedProposal, then writePriceExport. Returns the number of items written.
int exportPrices(const ProposalRef& ref, const QString& path);

}  // namespace cotavia
