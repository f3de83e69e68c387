#pragma once
// Price tables written for spreadsheet programs: an .xlsx sheet (amounts as numbers) or
// ";"-separated text (.csv, Windows-1252, amounts in Brazilian notation), chosen by the file
// name's extension.
#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace cotavia {

// A column of a price table: its header name, the decimals of an amount (4 or 2; -1 for a text)
// and its width in the sheet.
struct PriceColumn {
  const char* name;
  int decimals;
  double width;
};
// A row: the texts of its columns in Windows-1252, amounts in Brazilian notation (empty: none).
using PriceRow = QList<QByteArray>;
// Row `i` of a table, made when it is written: a copy of a 160,000-item list would double the
// memory an export needs.
using PriceRowAt = std::function<PriceRow(int)>;

// A name writePriceTable takes: ending in .xlsx or .csv (any case).
bool isPriceTableName(const QString& path);
// Writes a price table to `path` (atomically) as .xlsx (amounts as numbers) or .csv
// (";"-separated, Windows-1252), by the name's extension; any other extension is refused.
void writePriceTable(const QList<PriceColumn>& columns, const QList<PriceRow>& rows, const QString& path);
// The same for `count` rows made by `rowAt`.
void writePriceTable(const QList<PriceColumn>& columns, int count, const PriceRowAt& rowAt, const QString& path);

// A text as a ";"-separated file's cell holds it: a text beginning with "=", "+", "-", "@", a
// tab or a CR (after any apostrophes) gets a leading apostrophe, so spreadsheet programs show it
// as text instead of running it as a formula. csvCellText undoes it; every text round trips.
QByteArray csvTextCell(const QByteArray& text);
QByteArray csvCellText(const QByteArray& cell);

}  // namespace cotavia
