#pragma once
// Code page conversions. Data files are Windows-1252 bytes; widgets show QString; matrix
// printers take an OEM code page (CP850 by default, CP437 selectable).
#include <QByteArray>
#include <QString>

namespace cotavia {

QString fromCp1252(const QByteArray& bytes);
// The Windows-1252 byte of a UTF-16 unit; -1 when there is none. The five positions 0x81, 0x8D,
// 0x8F, 0x90 and 0x9D have no character and keep the C1 control of the same number.
int cp1252Byte(char16_t u);
// Characters outside Windows-1252 become '?'.
QByteArray toCp1252(const QString& text);
// The characters of text that Windows-1252 cannot hold (an emoji), each once, in order; empty
// when it holds them all. Where '?' in their place would change data, refuse the text instead.
QString notInCp1252(const QString& text);

// The OEM code page used by printer output; "CP850" unless changed.
QByteArray oemCodePage();
void setOemCodePage(const QByteArray& name);

// Converts Windows-1252 bytes to the given OEM code page (default: the setting above).
// Characters the target cannot hold become '?'; the length in bytes is kept.
QByteArray cp1252ToOem(const QByteArray& bytes, const QByteArray& codePage = {});

// Reads a text that may be UTF-8 or Windows-1252 (price lists from spreadsheets) and returns
// Windows-1252 bytes. A UTF-8 byte order mark is dropped.
QByteArray utf8OrCp1252ToCp1252(const QByteArray& bytes);
// True when bytes are valid UTF-8 (and so read as UTF-8 by utf8OrCp1252ToCp1252).
bool isUtf8(const QByteArray& bytes);

}  // namespace cotavia
