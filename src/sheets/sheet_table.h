#pragma once
// A sheet as the readers hand it over: its name and its filled rows, each cell with its kind
// and value, within the caps a sheet may reach.
#include <QList>
#include <QString>

namespace cotavia {

struct SheetCell {
  enum class Kind {
    Empty,
    Text,     // text: the text
    Number,   // number: the value
    Formula,  // a formula without a calculated value
    Error,    // text: the error the cell shows ("#DIV/0!")
    Boolean,  // text: "VERDADEIRO" or "FALSO"
  };
  Kind kind = Kind::Empty;
  QString text;
  double number = 0;
};

struct SheetRow {
  int row = 0;             // 1-based
  QList<SheetCell> cells;  // columns 1.. the columns asked for (missing cells are Empty)
};

struct SheetTable {
  QString name;          // the sheet's name ("Precos")
  QList<SheetRow> rows;  // the rows with some cell among the columns asked for, in order
};

// Caps on what a sheet may hold (a price list is far smaller).
constexpr qint64 kSpreadsheetPartCap = 64 * 1024 * 1024;  // bytes of one part, inflated
constexpr int kSheetMaxColumns = 16384;                   // column XFD
constexpr int kSheetMaxRow = 1048576;
constexpr int kSheetMaxFilledRows = 100000;

// A cell's name as spreadsheets write it: "Precos!C7", "'Lista de preços'!C7".
QString sheetCellName(const QString& sheet, int row, int column);

}  // namespace cotavia
