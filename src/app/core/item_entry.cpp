#include "app/core/item_entry.h"

#include "platform/amounts.h"

namespace cotavia {

long double itemTotal(long double quantity, long double unitPrice, long double discount, long double surcharge) {
  const long double product = unitPrice * quantity;
  const long double net = product - discount;
  return surcharge + net;
}

long double itemEntryTotal(const QByteArray& quantityText, long double unitPrice, long double discount,
                           long double surcharge) {
  return numEditRound(itemTotal(parseNumEditText(quantityText), unitPrice, discount, surcharge), 2);
}

long double applyItemEntry(GridRow& row, const QByteArray& brand, long double unitPrice, long double discount,
                           long double surcharge) {
  const long double total = itemEntryTotal(row[ColQuantity], unitPrice, discount, surcharge);
  row[ColUnitPrice] = padLeft(formatAmount(unitPrice, 4, 12), kMoneyWidth);
  row[ColDiscount] = padLeft(formatAmount(discount, 2, 12), kMoneyWidth);
  row[ColSurcharge] = padLeft(formatAmount(surcharge, 2, 12), kMoneyWidth);
  row[ColTotal] = padLeft(formatAmount(total, 2, 14), kTotalWidth);
  row[ColBrand] = brand;
  return total;
}

long double totalGeral(const QList<GridRow>& rows) {
  long double sum = 0;
  const int count = itemCount(rows);
  for (int i = 0; i < count; ++i) {
    const QByteArray& cell = rows[i][ColTotal];
    if (trimRight(cell).isEmpty()) continue;
    sum = numEditRound(sum + somente_numeros(cell) / 100.0L, 2);
  }
  return sum;
}

}  // namespace cotavia
