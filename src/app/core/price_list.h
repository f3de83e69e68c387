#pragma once
// Price lists kept in spreadsheets, applied to a proposal as OK on each listed item would.
// Formats: ";"-separated text (UTF-8 or Windows-1252, fields may be quoted with "), or the first
// sheet of an .xlsx or .ods file, told apart by content. The first non-empty row is the header
// "item;marca;preco_unitario;desconto;acrescimo" (any case, accents and blanks around the names
// allowed); columns after the fifth are ignored. Amounts in Brazilian notation ("1.234,5678",
// thousands dots optional, an empty field is 0), at most 4 decimals for the unit price and 2
// for discount and surcharge; a number cell is taken at its shortest decimal form and follows
// the same rules. Rows with nothing in the five columns are skipped; a row whose three amounts
// are all empty names an item without pricing it (an export of an unpriced item). A sixth
// column named "codigo" (as the export writes it) gives the item's code, which picks the item
// when several items of the proposal share its number (calls priced in lots).
#include "app/core/proposal_file.h"

#include <QList>

namespace cotavia {

struct PriceLine {
  int line = 0;               // line number in the price list (1 = header), or the sheet's row
  QString cell;               // in a sheet, the item's cell ("Precos!A7"); empty for a text file
  QByteArray item;            // item number, blanks trimmed; from a number cell, its digits ("3")
  bool itemIsNumber = false;  // a number cell: matches the item numbers of the same value ("0003")
  QByteArray code;            // the item's code when the list has a "codigo" column, blanks trimmed
  bool codeIsNumber = false;  // a number cell: matches the codes of the same value ("000123")
  bool priced = true;         // false when the three amounts are empty: the item is left as it is
  QByteArray brand;           // Windows-1252, blanks trimmed
  long double unitPrice = 0;
  long double discount = 0;
  long double surcharge = 0;
};

// One field of a price list row as its reader found it.
struct PriceField {
  QByteArray text;        // Windows-1252; a number cell's shortest decimal form ("0,45")
  bool isNumber = false;  // from a number cell
  QString cell;           // in a sheet, the cell ("Precos!C7"); empty for a text file
};

// The rules of one row, shared by every format: the row's five fields (item, brand, unit
// price, discount, surcharge), and a sixth (the code) when the list has one, become a PriceLine, or AppError
// "FILE:LINE: reason" (text file) or "FILE: Precos!C7: reason" (sheet) names the field. `line` is the row's line or
// sheet row.
PriceLine priceLineFromFields(const QList<PriceField>& fields, int line, const QString& fileName);

// Parses a ";"-separated price list. Throws AppError "FILE:LINE: reason" for the first bad
// line (wrong header, too few fields, an amount that is negative, not a number or has too many
// decimals, a brand longer than 20 characters, an item listed twice, a character Windows-1252
// cannot hold).
QList<PriceLine> parsePriceList(const QByteArray& content, const QString& fileName);

// Parses a price list in any of the formats, told apart by content (and the name's
// extension, for a damaged spreadsheet). Sheet faults name the cell: "FILE: Precos!C7: reason".
QList<PriceLine> parsePriceListFile(const QByteArray& content, const QString& fileName);

// Reads the file and parses it (parsePriceListFile).
QList<PriceLine> readPriceList(const QString& path);

// Applies every priced line to the item whose number (blanks trimmed) matches, exactly as OK on
// the item panel. When several items share the number, the line's code picks one; a line
// without a code, or whose code picks none or several, is refused naming them. All or nothing:
// on an unknown item, an item priced by two lines, a negative item total or an amount too large
// for the proposal file it throws
// AppError naming the line (or the item's cell) and `proposal` is unchanged. Returns the
// number of items priced.
int applyPriceList(Proposal& proposal, const QList<PriceLine>& lines, const QString& fileName);

}  // namespace cotavia
