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
  const QString dir = required(a, "dir");
  const QString proposalName = cli::proposalName(a);
  const QString pricesPath = required(a, "prices");
  const QByteArray identity = identityFor(a, dir);

  const QList<PriceLine> prices = readPriceList(pricesPath);
  const auto name = a.get("supplier"), address = a.get("address"), city = a.get("city");
  const SupplierData typed =
      supplierFromText(name.value_or(QString()), address.value_or(QString()), city.value_or(QString()));

  // The lock is held from reading the proposal to the end of its save: another fill or window
  // saving the same proposal meanwhile would otherwise have its prices replaced by the ones
  // read before it.
  const SaveLock lock(dir, proposalName);
  finishInterruptedSave(dir, proposalName, lock);
  Proposal proposal = loadProposal(joinPath(dir, proposalName));
  const int priced = applyPriceList(proposal, prices, pricesPath);

  // The supplier's name, address and city default to what FORNEC.KSD holds.
  SupplierData supplier = readSupplierData(dir);
  if (name) supplier.name = typed.name;
  if (address) supplier.address = typed.address;
  if (city) supplier.city = typed.city;

  const QString response = gravar({dir, proposalName, identity}, proposal, supplier, lock);
  // The prices saved go into the price memory; a failure there only warns.
  if (const QString warning = recordSavedProposal({dir, proposalName, identity}, proposal); !warning.isEmpty())
    std::fprintf(stderr, "aviso: %s\n", warning.toLocal8Bit().constData());
  if (a.verbose())
    std::printf("%d item(ns) com preço, total %s; gravado %s\n", priced,
                fromCp1252(formatAmount(totalGeral(proposal.rows), 2, 14)).toLocal8Bit().constData(),
                response.toLocal8Bit().constData());
  return 0;
}

}  // namespace cotavia::cli
