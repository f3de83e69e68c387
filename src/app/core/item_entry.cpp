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

std::optional<ItemEntryRefusal> checkItemEntry(const QByteArray& quantityText, long double unitPrice,
                                               long double discount, long double surcharge) {
  auto shown = [](long double v, int decimals) { return QString::fromLatin1(formatAmount(v, decimals, 14)); };
  struct Field {
    int column;
    const char* name;  // as the sentence starts: "O preço unitário"
    long double value;
    int decimals;
    long double max;
  };
  const Field fields[] = {{ColUnitPrice, "O preço unitário", unitPrice, 4, kMaxUnitPrice},
                          {ColDiscount, "O desconto", discount, 2, kMaxAmount},
                          {ColSurcharge, "O acréscimo", surcharge, 2, kMaxAmount}};
  for (const Field& f : fields) {
    const long double v = numEditRound(f.value, f.decimals);
    const QString limits =
        QStringLiteral("Informe um valor de %1 a %2.").arg(shown(0, f.decimals), shown(f.max, f.decimals));
    if (v < 0)
      return ItemEntryRefusal{f.column, QString::fromUtf8(f.name) +
                                            QStringLiteral(" não pode ser negativo (%1).\r").arg(shown(v, f.decimals)) +
                                            limits};
    if (v > f.max)
      return ItemEntryRefusal{
          f.column,
          QString::fromUtf8(f.name) +
              QStringLiteral(" %1 é maior que o arquivo da proposta pode guardar.\r").arg(shown(v, f.decimals)) +
              limits};
  }
  const long double quantity = parseNumEditText(quantityText);
  const long double total = itemEntryTotal(quantityText, unitPrice, discount, surcharge);
  if (total < 0) {
    if (numEditRound(discount, 2) > 0)
      return ItemEntryRefusal{
          ColDiscount,
          QStringLiteral("O total do item seria negativo (%1): o desconto (%2) é maior que a quantidade vezes o preço "
                         "unitário mais o acréscimo (%3).\rDiminua o desconto ou corrija o preço unitário.")
              .arg(shown(total, 2), shown(discount, 2), shown(numEditRound(unitPrice * quantity + surcharge, 2), 2))};
    return ItemEntryRefusal{ColQuantity,
                            QStringLiteral("O total do item seria negativo (%1) porque a quantidade é negativa (%2).\r"
                                           "A quantidade vem do arquivo da proposta: peça um arquivo corrigido a quem "
                                           "o enviou.")
                                .arg(shown(total, 2), shown(quantity, 4))};
  }
  if (total > kMaxAmount)
    return ItemEntryRefusal{ColUnitPrice,
                            QStringLiteral("O total do item %1 é maior que o arquivo da proposta pode guardar (até %2)."
                                           "\rDiminua o preço unitário ou o acréscimo.")
                                .arg(shown(total, 2), shown(kMaxAmount, 2))};
  return std::nullopt;
}

long double grandTotal(const QList<GridRow>& rows) {
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
