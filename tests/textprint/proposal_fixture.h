#pragma once
// Proposal response files for the text printout tests and benchmark, written column by column.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <optional>

namespace cotavia::test {

struct FixtureItem {
  QByteArray number, code, description, unit, brand;  // Windows-1252
  qint64 quantity10000 = 0;
  std::optional<qint64> price10000, discount100, surcharge100, total100;
};

inline QByteArray fixtureField(std::optional<qint64> v) {
  return v ? QByteArray::number(*v).rightJustified(11, ' ') : QByteArray(11, ' ');
}

inline QByteArray fixtureItemRecord(const FixtureItem& it) {
  return "I" + it.number.leftJustified(4, ' ', true) + it.code.leftJustified(6, ' ', true) +
         it.description.leftJustified(100, ' ') + QByteArray::number(it.quantity10000).rightJustified(13, ' ') +
         it.unit.leftJustified(4, ' ', true) + fixtureField(it.price10000) + fixtureField(it.discount100) +
         fixtureField(it.surcharge100) + fixtureField(it.total100) + it.brand;
}

inline QByteArray fixtureHeaderRecord(const QByteArray& text) { return "C" + text.leftJustified(199, ' '); }

// Writes DIR/E<identity>_<file>, and CNPJCPF.KSD / FORNEC.KSD when `supplier` is given.
inline void writeFixtureProposal(const QString& dir, const QByteArray& identity, const QString& file,
                                 const QList<QByteArray>& headers, const QList<FixtureItem>& items,
                                 const QList<QByteArray>* supplier) {
  QByteArray out;
  for (const QByteArray& h : headers) out += fixtureHeaderRecord(h) + "\r\n";
  for (const FixtureItem& it : items) out += fixtureItemRecord(it) + "\r\n";
  QFile f(dir + "/E" + QString::fromLatin1(identity) + "_" + file);
  f.open(QIODevice::WriteOnly);
  f.write(out);
  f.close();
  if (supplier) {
    QFile id(dir + "/CNPJCPF.KSD");
    id.open(QIODevice::WriteOnly);
    id.write(identity + "\r\n");
    QFile s(dir + "/FORNEC.KSD");
    s.open(QIODevice::WriteOnly);
    for (const QByteArray& l : *supplier) s.write(l + "\r\n");
  }
}

// The proposal of the tests: three distinct items, then `generic` items "ITEM nnnn" at 2,00.
inline QList<FixtureItem> fixtureItems(int generic) {
  QList<FixtureItem> items;
  items.append({"0001",
                "000123",
                "CANETA ESFEROGR\xC1"
                "FICA AZUL",
                "UN",
                "BIC",
                1000000,
                15000,
                {},
                {},
                15000});
  items.append({"0002", "000456",
                "ABCDEFGHIJKLMNOPQRSTUVWXYZ012ABCDEFGHIJKLMNOPQRSTUVWXYZ345ABCDEFGHIJKLMNOPQRSTUVWXYZ678ABCDEFGHIJKLM",
                "CX", "MARCA MUITO LONGA", 123456789, 12345678912, 1000, 550, 100000});
  items.append({"0003", "000789", "\xC1GUA MINERAL 500ML", "GF", "", 240000, {}, {}, {}, {}});
  for (int j = 4; j < 4 + generic; ++j) {
    const QByteArray n = QByteArray::number(j).rightJustified(4, '0');
    items.append(
        {n, QByteArray::number(j).rightJustified(6, '0'), "ITEM " + n, "UN", "GEN", 10000, 20000, {}, {}, 200});
  }
  return items;
}

inline QList<QByteArray> fixtureHeaders() {
  return {"0042PREFEITURA MUNICIPAL DE SANTA LUZIA",
          "RUA DAS FLORES, 100 - CENTRO",
          "MODALIDADE: PREG\xC3O PRESENCIAL N\xBA 12/2024",
          "OBJETO: MATERIAL DE EXPEDIENTE",
          "ENTREGA: 10/05/2024 09:00",
          "ABERTURA: 10/05/2024 10:00"};
}

inline QList<QByteArray> fixtureSupplier() { return {"FORNECEDOR EXEMPLO LTDA", "RUA A, 1", "S\xC3O PAULO"}; }

}  // namespace cotavia::test
