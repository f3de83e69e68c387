#include "app/core/supplier.h"

#include "platform/amounts.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"

#include <QFileInfo>

namespace cotavia {

namespace {
QList<QByteArray> readLinesIfExists(const QString& path, bool& exists) {
  exists = QFileInfo::exists(path);
  if (!exists) return {};
  return splitLines(readWholeFile(path));
}
}  // namespace

std::optional<QByteArray> readIdentityLine(const QString& folder) {
  bool exists = false;
  const QList<QByteArray> lines = readLinesIfExists(joinPath(folder, kIdentityFileName), exists);
  if (!exists) return std::nullopt;
  return lines.isEmpty() ? QByteArray() : lines.first();
}

std::optional<QByteArray> readIdentity(const QString& folder) {
  std::optional<QByteArray> line = readIdentityLine(folder);
  if (!line) return std::nullopt;
  // Blanks and control characters only: as if there were no file.
  bool usable = false;
  for (char c : *line) usable = usable || static_cast<unsigned char>(c) > ' ';
  if (!usable) return std::nullopt;
  return line->left(14);
}

QByteArray padIdentity(const QByteArray& typed) {
  if (typed.size() >= 14) return typed;
  return QByteArray(14 - typed.size(), '0') + typed;
}

QByteArray writeIdentity(const QString& folder, const QByteArray& typed) {
  const QByteArray id = padIdentity(typed);
  atomicWriteLines(joinPath(folder, kIdentityFileName), {id});
  return id;
}

int supplierTextRefused(const QString& name, const QString& address, const QString& city) {
  const QString* fields[] = {&name, &address, &city};
  for (int i = 0; i < 3; ++i)
    if (!notInCp1252(*fields[i]).isEmpty()) return i;
  return -1;
}

SupplierData supplierFromText(const QString& name, const QString& address, const QString& city) {
  static const char* const what[] = {"O nome do fornecedor", "O endereço do fornecedor", "A cidade do fornecedor"};
  const QString* fields[] = {&name, &address, &city};
  for (int i = 0; i < 3; ++i)
    if (const QString bad = notInCp1252(*fields[i]); !bad.isEmpty())
      throw AppError(ErrorKind::Refused, QString(),
                     QStringLiteral("%1 contém %2, que o arquivo do fornecedor (%3) não pode guardar; nada foi "
                                    "gravado. Troque ou apague esses caracteres e grave de novo.")
                         .arg(QString::fromUtf8(what[i]), bad, QString::fromLatin1(kSupplierFileName))
                         .toStdString());
  return SupplierData{toCp1252(name), toCp1252(address), toCp1252(city)};
}

namespace {
bool allDigits(const QByteArray& s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return !s.isEmpty();
}

// The check digit over the first n digits, with weights running down from `top` to 2 and, for a
// CNPJ, starting again at 9.
int checkDigit(const QByteArray& d, int n, int top, bool cycle) {
  int sum = 0, weight = top;
  for (int i = 0; i < n; ++i) {
    sum += (d[i] - '0') * weight;
    weight = weight == 2 && cycle ? 9 : weight - 1;
  }
  const int r = sum % 11;
  return r < 2 ? 0 : 11 - r;
}
}  // namespace

bool validCnpj(const QByteArray& d) {
  if (d.size() != 14 || !allDigits(d)) return false;
  return checkDigit(d, 12, 5, true) == d[12] - '0' && checkDigit(d, 13, 6, true) == d[13] - '0';
}

bool validCpf(const QByteArray& d) {
  if (d.size() != 11 || !allDigits(d)) return false;
  return checkDigit(d, 9, 10, false) == d[9] - '0' && checkDigit(d, 10, 11, false) == d[10] - '0';
}

QByteArray identityDisplay(const QByteArray& identityLine) {
  QByteArray s = identityLine;
  while (s.endsWith(' ')) s.chop(1);
  // Decided by the check digits first: a CPF stored as "000" + 11 digits is 14 characters long.
  enum { ByLength, Cnpj, Cpf } kind = ByLength;
  if (validCnpj(s))
    kind = Cnpj;
  else if (s.size() >= 11 && allDigits(s) && validCpf(s.right(11)) && s.left(s.size() - 11).count('0') == s.size() - 11)
    kind = Cpf;
  else if (s.size() == 14 && s.startsWith("000"))
    kind = Cpf;  // neither: the padding says a CPF was typed, and its digits are shown as typed
  if (kind == Cpf) s = s.right(11);
  auto group = [&s](std::initializer_list<std::pair<int, const char*>> parts) {
    QByteArray out;
    int pos = 0;
    for (auto [len, after] : parts) {
      out += s.mid(pos, len);
      out += after;
      pos += len;
    }
    return out;
  };
  if (kind == Cnpj || (kind == ByLength && s.size() >= 12)) {
    if (s.size() < 14) s = QByteArray(14 - s.size(), '0') + s;
    return "CNPJ: " + group({{2, "."}, {3, "."}, {3, "/"}, {4, "-"}, {2, ""}});
  }
  s = QByteArray(11 - s.size(), '0') + s;
  return "CPF: " + group({{3, "."}, {3, "."}, {3, "-"}, {2, ""}});
}

bool supplierDataExists(const QString& folder) { return QFileInfo::exists(joinPath(folder, kSupplierFileName)); }

SupplierData readSupplierData(const QString& folder) {
  bool exists = false;
  const QList<QByteArray> lines = readLinesIfExists(joinPath(folder, kSupplierFileName), exists);
  SupplierData d;
  if (lines.size() > 0) d.name = lines[0];
  if (lines.size() > 1) d.address = lines[1];
  if (lines.size() > 2) d.city = lines[2];
  return d;
}

QList<QByteArray> supplierDataLines(const SupplierData& data) { return {data.name, data.address, data.city}; }

void writeSupplierData(const QString& folder, const SupplierData& data) {
  atomicWriteLines(joinPath(folder, kSupplierFileName), supplierDataLines(data));
}

}  // namespace cotavia
