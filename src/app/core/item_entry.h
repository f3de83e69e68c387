#pragma once
// The item entry rules shared by the item panel's OK and the price list: the item total, the
// cells OK writes into a grid row, and the grand total under the grid.
#include "app/core/proposal_file.h"

#include <QString>
#include <optional>

namespace cotavia {

// surcharge + (unitPrice x quantity - discount), in that order, unrounded (80-bit).
long double itemTotal(long double quantity, long double unitPrice, long double discount, long double surcharge);

// The item total as NumEdit_Total holds it after its `Value` is set: itemTotal rounded to 2
// decimals (half away from zero). `quantityText` is the quantity field's text (the row's
// column 3), read as the numeric field reads it.
long double itemEntryTotal(const QByteArray& quantityText, long double unitPrice, long double discount,
                           long double surcharge);

// OK on the item panel: computes the item total from the row's quantity and the three values
// (the `Value`s of NumEdit_PrUnit, NumEdit_Desconto, NumEdit_Acrescimo), then writes into the
// row: column 5 the unit price (4 decimals, at most 12 significant digits, padded to 10),
// 6 and 7 discount and surcharge (2 decimals, at most 12, padded to 10), 8 the total (2
// decimals, at most 14, padded to 14) and 9 the brand unchanged. Column 3 is not touched.
// Returns the item total.
long double applyItemEntry(GridRow& row, const QByteArray& brand, long double unitPrice, long double discount,
                           long double surcharge);

// Why OK on the item panel cannot take the entry: the grid column of the field to correct
// (ColQuantity, ColUnitPrice, ColDiscount, ColSurcharge) and the message naming the field and
// its limit.
struct ItemEntryRefusal {
  int column;
  QString message;
};
// The largest amounts the proposal file holds (11 digits with 4 decimals for the unit price,
// with 2 for discount, surcharge and total).
inline constexpr long double kMaxUnitPrice = 9999999.9999L;
inline constexpr long double kMaxAmount = 999999999.99L;
// Checks the panel's values before OK writes them: no negative unit price, discount or
// surcharge, none wider than its field of the proposal file, and an item total that is neither
// negative (naming the field that makes it so) nor too wide. Empty when the entry is sound.
std::optional<ItemEntryRefusal> checkItemEntry(const QByteArray& quantityText, long double unitPrice,
                                               long double discount, long double surcharge);

// `TotalGeral`: the sum, over the item list (up to the first row without item number), of the
// digits of each non-blank column 8 divided by 100, kept at 2 decimals after each addition.
long double grandTotal(const QList<GridRow>& rows);

}  // namespace cotavia
