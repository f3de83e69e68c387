#include "sheets/sheet_table.h"

namespace cotavia {

namespace {

QString columnLetters(int column) {
  QString s;
  for (int c = column; c > 0; c = (c - 1) / 26) s.prepend(QChar('A' + (c - 1) % 26));
  return s;
}

}  // namespace

QString sheetCellName(const QString& sheet, int row, int column) {
  bool plain = !sheet.isEmpty() && !sheet[0].isDigit();
  for (const QChar ch : sheet) plain = plain && (ch.isLetterOrNumber() || ch == '_' || ch == '.');
  QString s = sheet;
  if (!plain) s = "'" + QString(sheet).replace('\'', QLatin1String("''")) + "'";
  return s + "!" + columnLetters(column) + QString::number(row);
}

}  // namespace cotavia
