#pragma once
// Price lists kept in spreadsheets, applied to a proposal as OK on each listed item would.
// Format: UTF-8 or Windows-1252 text, ";"-separated (fields may be quoted with "), first line
// "item;marca;preco_unitario;desconto;acrescimo"; amounts in Brazilian notation ("1.234,5678",
// thousands dots optional, an empty field is 0), at most 4 decimals for the unit price and 2
// for discount and surcharge. Empty lines are skipped.
#include "app/core/proposal_file.h"

#include <QList>

namespace cotavia {

struct PriceLine {
  int line = 0;      // line number in the price list (1 = header)
  QByteArray item;   // item number, blanks trimmed
  QByteArray brand;  // Windows-1252, blanks trimmed
  long double unitPrice = 0;
  long double discount = 0;
  long double surcharge = 0;
};

// Parses a price list. Throws AppError "FILE:LINE: reason" for the first bad line (wrong
// header, wrong field count, an amount that is negative, not a number or has too many
// decimals, a brand longer than 20 characters, an item listed twice, a character Windows-1252
// cannot hold).
QList<PriceLine> parsePriceList(const QByteArray& content, const QString& fileName);

// Reads the file (UTF-8 or Windows-1252) and parses it.
QList<PriceLine> readPriceList(const QString& path);

// Applies every line to the rows of the item list whose item number (blanks trimmed) matches,
// exactly as OK on the item panel. All or nothing: on an unknown item, a negative item total or
// an amount too large for the proposal file it throws AppError "FILE:LINE: reason" and
// `proposal` is unchanged. Returns the number of rows priced.
int applyPriceList(Proposal& proposal, const QList<PriceLine>& lines, const QString& fileName);

}  // namespace cotavia
