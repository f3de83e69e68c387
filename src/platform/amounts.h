#pragma once
// Numbers as the proposal screens show and read them: Brazilian separators ("." thousands,
// "," decimals), the runtime's text-to-number conversion, the digits-only reading of grid
// cells and the numeric entry field's parsing and fixed notation. All texts are Windows-1252
// bytes (one byte = one character = one column). Arithmetic is in 80-bit long double.
#include <QByteArray>
#include <string>

namespace cotavia {

// Fixed decimals with thousands separators, the way the runtime's number format does it: the
// value's decimal form (18 significant digits) is rounded half away from zero to at most
// `maxSignificant` significant digits and at most `decimals` decimals, then written with
// exactly `decimals` decimals: formatAmount(1234.5678L, 4, 12) == "1.234,5678",
// formatAmount(-0.5L, 2, 12) == "-0,50". A value that rounds to zero is written without a sign.
// A value with more integer digits than `maxSignificant` is written in the general form
// (formatGeneral). `maxSignificant` is clamped to 1..18.
QByteArray formatAmount(long double v, int decimals, int maxSignificant);

// The same without thousands separators (plain fixed notation): formatFixed(1234.5L, 4, 18)
// == "1234,5000".
QByteArray formatFixed(long double v, int decimals, int maxSignificant);

// The shortest general form with at most `precision` significant digits (default 15): no
// trailing zeros, no thousands separators, "," as decimal separator, exponent form "1E20" /
// "1,5E-7" when the exponent is below -4 or not below `precision`. 25000 -> "25000".
QByteArray formatGeneral(long double v, int precision = 15);

// Prefixes blanks until the text is `width` characters long; longer texts stay unchanged.
QByteArray padLeft(const QByteArray& text, int width);
// Appends blanks until the text is `width` characters long; longer texts stay unchanged.
QByteArray padRight(const QByteArray& text, int width);

// Removes trailing blanks and control characters (every byte <= ' ').
QByteArray trimRight(const QByteArray& text);

// The runtime's text-to-number conversion with "," as decimal separator: leading and trailing
// blanks are skipped; then an optional sign, digits with at most one ",", and an optional
// exponent (E or e, optional sign, digits). Anything else, or no digit at all, throws
// invalidFloat(text) ("'%s' is not a valid floating point value" with the text as given).
long double strToFloat(const QByteArray& text);

// Decimal integer (optional sign, surrounding blanks skipped); throws invalidInteger(text).
int strToInt(const QByteArray& text);

// `somente_numeros`: keeps the digits "0"-"9" of the text and converts them to a number, so
// "1.234,56" gives 123456 and "-12,50" gives 1250. A text without any digit throws
// invalidFloat(text).
long double somente_numeros(const QByteArray& text);

// The numeric entry field's reading of its text (`Value` read): digits, and the first decimal
// separator, after an implied leading "0"; everything else skipped; negative when the text's
// first character is "-" and some digit was kept. "1.234,56" -> 1234.56, "  12,5" -> 12.5,
// "" -> 0, "1-2" -> 12.
long double parseNumEditText(const QByteArray& text, char decimalSeparator = ',');

// What writing `Value` puts into the numeric entry field's text: fixed notation with exactly
// `decimals` decimals, no thousands separators, 18 significant digits (the extended type's
// limit of the runtime's 20). numEditFixed(1, 4) == "1,0000".
QByteArray numEditFixed(long double value, int decimals);

// `Value` written then read back: the value rounded as the field keeps it.
// numEditRound(0.9999L, 2) == 1.
long double numEditRound(long double value, int decimals);

// The field's painted text without the focus: with thousands separators when `showSeparator`,
// else as numEditFixed. numEditDisplay(1234.5L, 4, true) == "1.234,5000".
QByteArray numEditDisplay(long double value, int decimals, bool showSeparator);

// A Windows-1252 text as it goes into an error message (messages are UTF-8): control
// characters show as "?" so that a message stays one line.
std::string textForMessage(const QByteArray& cp1252);

}  // namespace cotavia
