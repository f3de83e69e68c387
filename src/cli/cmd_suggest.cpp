// cotavia suggest: the best previous price of each unpriced item of a proposal, from the price
// memory, written as a price list that `cotavia fill --prices` applies.
#include "app/core/price_memory.h"
#include "cli/cli.h"
#include "platform/amounts.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "sheets/price_table.h"

#include <cstdio>

namespace cotavia::cli {

QString sourceText(const PriceSource& s) {
  return s.modality.isEmpty()
             ? s.municipality + QStringLiteral(" - ") + s.proposal
             : s.municipality + QStringLiteral(" - ") + s.modality + QStringLiteral(" - ") + s.proposal;
}

int cmdSuggest(const Args& a) {
  const QString out = required(a, "out");
  checkTableName(out);
  const Proposal proposal = loadProposal(proposalRef(a, false).inputPath());
  SuggestOptions options;
  options.onlyCodes = a.flags.contains(QLatin1String("only-codes"));

  PriceBook book;
  book.open(priceBookLocation());
  const QList<PriceSuggestion> found = suggestForProposal(book, proposal, options);

  static const QList<PriceColumn> columns = {{"item", -1, 8},     {"marca", -1, 22},         {"preco_unitario", 4, 15},
                                             {"desconto", 2, 11}, {"acrescimo", 2, 11},      {"origem", -1, 50},
                                             {"data", -1, 11},    {"encontrado_por", -1, 24}};
  QList<PriceRow> rows;
  for (const PriceSuggestion& s : found) {
    const PricedItem& it = s.entry.item;
    const bool adjust = carriesAdjustments(s);
    rows.append({toCp1252(s.query.item), toCp1252(it.brand), formatAmount(it.unitPrice, 4, 12),
                 adjust ? formatAmount(it.discount, 2, 12) : QByteArray(),
                 adjust ? formatAmount(it.surcharge, 2, 12) : QByteArray(), toCp1252(sourceText(s.entry.source)),
                 toCp1252(s.entry.source.savedAt.toString(QStringLiteral("dd/MM/yyyy"))),
                 toCp1252(foundByText(s.how))});
  }
  writePriceTable(columns, rows, out);
  if (a.verbose())
    std::printf("%d sugestão(ões) de preço para %d item(ns) sem preço, gravada(s) em %s\n", int(found.size()),
                int(itemQueriesOf(proposal, true).size()), out.toLocal8Bit().constData());
  return 0;
}

}  // namespace cotavia::cli
