#include "app/core/price_export.h"

#include "app/core/save.h"
#include "sheets/price_table.h"

namespace cotavia {

namespace {

// The columns of a proposal's prices.
const QList<PriceColumn>& exportColumns() {
  static const QList<PriceColumn> columns = {
      {"item", -1, 8},   {"marca", -1, 22},     {"preco_unitario", 4, 15}, {"desconto", 2, 11}, {"acrescimo", 2, 11},
      {"codigo", -1, 9}, {"descricao", -1, 60}, {"quantidade", 4, 13},     {"unidade", -1, 8},  {"total", 2, 15}};
  return columns;
}

// An item of the proposal as exported.
PriceRow exportRow(const GridRow& g) {
  return {g[ColItem].trimmed(),      g[ColBrand].trimmed(), g[ColUnitPrice].trimmed(),   g[ColDiscount].trimmed(),
          g[ColSurcharge].trimmed(), g[ColCode].trimmed(),  g[ColDescription].trimmed(), g[ColQuantity].trimmed(),
          g[ColUnit].trimmed(),      g[ColTotal].trimmed()};
}

}  // namespace

int writePriceExport(const Proposal& p, const QString& path) {
  const int count = itemCount(p.rows);
  writePriceTable(
      exportColumns(), count, [&p](int i) { return exportRow(p.rows[i]); }, path);
  return count;
}

Proposal loadSavedProposal(const ProposalRef& ref) {
  const QString response = ref.responsePath();
  if (!proposalSaved(ref))
    throw AppError(ErrorKind::NotSaved, response,
                   "a proposta " + ref.inputFileName.toStdString() +
                       " ainda não foi gravada, por isso não há preços a exportar: pressione \"Gravar\" (ou use "
                       "cotavia fill) e exporte de novo");
  return loadProposal(response);
}

int exportPrices(const ProposalRef& ref, const QString& path) { return writePriceExport(loadSavedProposal(ref), path); }

}  // namespace cotavia
