#pragma once
// Builders of proposal records for the core tests. They place fields at their columns by hand,
// independently of the program's own writer.
#include "app/core/price_memory.h"

#include <QByteArray>
#include <QList>

namespace cotavia::test {

// Left-justifies `text` in `width` columns (cut when longer).
inline QByteArray lj(const QByteArray& text, int width) {
  QByteArray t = text.left(width);
  return t + QByteArray(width - t.size(), ' ');
}
// Right-justifies `text` in `width` columns.
inline QByteArray rj(const QByteArray& text, int width) {
  return QByteArray(qMax<qsizetype>(0, width - text.size()), ' ') + text;
}

struct Item {
  QByteArray number = "0001";
  QByteArray code = "000123";
  QByteArray description =
      "CANETA ESFEROGR\xC1"
      "FICA AZUL";
  QByteArray quantity = "100000";  // x 10000
  QByteArray unit = "UN  ";
  QByteArray price{};  // x 10000, empty = blanks
  QByteArray discount{}, surcharge{}, total{};
  QByteArray brand{};
};

inline QByteArray itemLine(const Item& i) {
  QByteArray l = "I" + lj(i.number, 4) + lj(i.code, 6) + lj(i.description, 100) + rj(i.quantity, 13) + lj(i.unit, 4) +
                 rj(i.price, 11) + rj(i.discount, 11) + rj(i.surcharge, 11) + rj(i.total, 11) + i.brand;
  return l;
}

inline QList<QByteArray> standardHeader() {
  return {"CPREFEITURA MUNICIPAL DE S\xC3O TESTE",
          "CRua das Flores, 100 - Centro",
          "CModalidade: Preg\xE3o Presencial n\xBA 012/2026",
          "CObjeto: Aquisi\xE7\xE3o de material de expediente",
          "CEntrega: 10/03/2026 \xE0s 09:00",
          "CAbertura: 10/03/2026 \xE0s 09:30"};
}

inline QByteArray joinCrLf(const QList<QByteArray>& lines) {
  QByteArray out;
  for (const auto& l : lines) out += l + "\r\n";
  return out;
}

// The price book at `location` while alive, the default one after, however the test ends.
struct PriceBookAt {
  explicit PriceBookAt(const QString& location) { setPriceBookLocation(location); }
  ~PriceBookAt() { setPriceBookLocation({}); }
};

}  // namespace cotavia::test
