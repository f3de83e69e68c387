#pragma once
// The first sheet of a spreadsheet file, read as far as a price list needs it: Office Open XML
// (.xlsx) and OpenDocument (.ods), told apart by their content. The zip container is read with
// libzip and the XML with Qt's stream reader. A hostile file is refused before it costs much:
// every part is capped before it is inflated, DTDs (and so entity expansion) are refused, and
// rows and columns are capped. Legacy .xls files and encrypted files are refused by name.
#include "platform/error.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace cotavia {

enum class SpreadsheetFormat { Text, Xlsx, Ods };

// What the content is: a zip holding an OpenDocument spreadsheet or an Office Open XML
// workbook, else text. Throws AppError naming the file for a legacy .xls (or an encrypted
// Office file, which has the same container), a zip that is neither, and a file whose name
// says .xlsx/.ods/.xls but whose content is not a zip.
SpreadsheetFormat spreadsheetFormat(const QByteArray& content, const QString& fileName);

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

// The first sheet's cells in columns 1..`columns`. Throws AppError (kind Damaged or Refused)
// naming the file, and the part or the cell, for whatever cannot be read.
SheetTable readFirstSheet(const QByteArray& content, SpreadsheetFormat format, const QString& fileName, int columns);

// A cell's name as spreadsheets write it: "Precos!C7", "'Lista de preços'!C7".
QString sheetCellName(const QString& sheet, int row, int column);

}  // namespace cotavia
