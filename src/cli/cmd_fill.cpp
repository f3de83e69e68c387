// cotavia fill: a price list applied as OK on each listed item, then saved as "Gravar".
#include "app/core/item_entry.h"
#include "app/core/price_list.h"
#include "app/core/price_memory.h"
#include "app/core/save.h"
#include "cli/cli.h"
#include "platform/amounts.h"
#include "platform/codepage.h"
#include "platform/files.h"

#include <cstdio>

namespace cotavia::cli {

int cmdFill(const Args& a) {
  const QString pricesPath = required(a, "prices");
  const ProposalRef ref = proposalRef(a);

  const QList<PriceLine> prices = readPriceList(pricesPath);
  const auto name = a.get("supplier"), address = a.get("address"), city = a.get("city");
  const SupplierData typed =
      supplierFromText(name.value_or(QString()), address.value_or(QString()), city.value_or(QString()));

  // The lock is held from reading the proposal to the end of its save: another fill or window
  // saving the same proposal meanwhile would otherwise have its prices replaced by the ones
  // read before it.
  const SaveLock lock(ref.folder, ref.inputFileName);
  finishInterruptedSave(ref.folder, ref.inputFileName, lock);
  Proposal proposal = loadProposal(ref.inputPath());
  const int priced = applyPriceList(proposal, prices, pricesPath);

  // The supplier's name, address and city default to what FORNEC.KSD holds.
  SupplierData supplier = readSupplierData(ref.folder);
  if (name) supplier.name = typed.name;
  if (address) supplier.address = typed.address;
  if (city) supplier.city = typed.city;

  const QString response = saveProposal(ref, proposal, supplier, lock);
  // The prices saved go into the price memory; a failure there only warns.
  if (const QString warning = recordSavedProposal(ref, proposal); !warning.isEmpty())
    std::fprintf(stderr, "aviso: %s\n", warning.toLocal8Bit().constData());
  if (a.verbose())
    std::printf("%d item(ns) com preço, total %s; gravado %s\n", priced,
                fromCp1252(formatAmount(grandTotal(proposal.rows), 2, 14)).toLocal8Bit().constData(),
                response.toLocal8Bit().constData());
  return 0;
}

}  // namespace cotavia::cli
