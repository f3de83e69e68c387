#pragma once
// The first sheet of a spreadsheet file, read as far as a price list needs it: Office Open XML
// (.xlsx) and OpenDocument (.ods), told apart by their content. The zip container is read with
// libzip and the XML with Qt's stream reader. A hostile file is refused before it costs much:
// every part is capped before it is inflated, DTDs (and so entity expansion) are refused, and
// rows and columns are capped. Legacy .xls files and encrypted files are refused by name.
#include "platform/error.h"
#include "sheets/sheet_table.h"

#include <QByteArray>

namespace cotavia {

enum class SpreadsheetFormat { Text, Xlsx, Ods };

// What the content is: a zip holding an OpenDocument spreadsheet or an Office Open XML
// workbook, else text. Throws AppError naming the file for a legacy .xls (or an encrypted
// Office file, which has the same container), a zip that is neither, and a file whose name
// says .xlsx/.ods/.xls but whose content is not a zip.
SpreadsheetFormat spreadsheetFormat(const QByteArray& content, const QString& fileName);

// The first sheet's cells in columns 1..`columns`. Throws AppError (kind Damaged or Refused)
// naming the file, and the part or the cell, for whatever cannot be read.
SheetTable readFirstSheet(const QByteArray& content, SpreadsheetFormat format, const QString& fileName, int columns);

}  // namespace cotavia
