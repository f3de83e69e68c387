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

namespace {
// What FORNEC.KSD cannot hold in one of its lines, described for a message: characters outside
// Windows-1252 ("?" would take their place) and control characters (a line break would split the
// field over two lines of the file); empty when the text can be kept as it is.
QString unstorable(const QString& text) {
  if (const QString bad = notInCp1252(text); !bad.isEmpty()) return bad;
  if (text.contains(u'\r') || text.contains(u'\n')) return QStringLiteral("uma quebra de linha");
  if (text.contains(u'\t')) return QStringLiteral("uma tabulação");
  for (QChar c : text)
    if (c.unicode() < 0x20 || c.unicode() == 0x7f) return QStringLiteral("um caractere de controle");
  return {};
}
}  // namespace

int supplierTextRefused(const QString& name, const QString& address, const QString& city) {
  const QString* fields[] = {&name, &address, &city};
  for (int i = 0; i < 3; ++i)
    if (!unstorable(*fields[i]).isEmpty()) return i;
  return -1;
}

SupplierData supplierFromText(const QString& name, const QString& address, const QString& city) {
  static const char* const what[] = {"O nome do fornecedor", "O endereço do fornecedor", "A cidade do fornecedor"};
  const QString* fields[] = {&name, &address, &city};
  for (int i = 0; i < 3; ++i)
    if (const QString bad = unstorable(*fields[i]); !bad.isEmpty())
      throw AppError(ErrorKind::Refused, QString(),
                     QStringLiteral("%1 contém %2, que o arquivo do fornecedor (%3) não pode guardar; nada foi "
                                    "gravado. Corrija o texto (troque ou apague o que não pode ser guardado) e "
                                    "grave de novo.")
                         .arg(QString::fromUtf8(what[i]), bad, QString::fromLatin1(kSupplierFileName))
                         .toStdString());
  return SupplierData{toCp1252(name), toCp1252(address), toCp1252(city)};
}

namespace {

bool allDigits(const QByteArray& d) {
  for (char c : d)
    if (c < '0' || c > '9') return false;
  return !d.isEmpty();
}

// The check digit that follows the first n digits: weights from 2 upwards, starting again at 2
// after `maxWeight` (9 for a CNPJ; never reached by a CPF's 10 digits).
int checkDigit(const QByteArray& d, int n, int maxWeight) {
  int sum = 0, weight = 2;
  for (int i = n - 1; i >= 0; --i) {
    sum += (d[i] - '0') * weight;
    weight = weight == maxWeight ? 2 : weight + 1;
  }
  const int r = sum % 11;
  return r < 2 ? 0 : 11 - r;
}

bool checkDigitsRight(const QByteArray& d, int size, int maxWeight) {
  if (d.size() != size || !allDigits(d) || d.count(d[0]) == size) return false;
  return checkDigit(d, size - 2, maxWeight) == d[size - 2] - '0' &&
         checkDigit(d, size - 1, maxWeight) == d[size - 1] - '0';
}

}  // namespace

bool isValidCnpj(const QByteArray& digits) { return checkDigitsRight(digits, 14, 9); }

bool isValidCpf(const QByteArray& digits) { return checkDigitsRight(digits, 11, 11); }

QByteArray identityDisplay(const QByteArray& identityLine) {
  QByteArray s = identityLine;
  while (s.endsWith(' ')) s.chop(1);
  // Decided by the check digits first: a CPF stored as "000" + 11 digits is 14 characters long.
  enum { ByLength, Cnpj, Cpf } kind = ByLength;
  if (isValidCnpj(s))
    kind = Cnpj;
  else if (s.size() >= 11 && allDigits(s) && isValidCpf(s.right(11)) &&
           s.left(s.size() - 11).count('0') == s.size() - 11)
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

QByteArray newIdentity(const QString& typed) {
  auto refuse = [](const QString& sentence) { throw AppError(sentence.toStdString()); };
  QString shown;  // the typed text as a message can show it
  bool digitsOnly = !typed.isEmpty();
  for (QChar c : typed) {
    digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
    shown += c.isPrint() ? c : QChar(u'?');
  }
  if (typed.isEmpty()) refuse(QStringLiteral("Informe o CNPJ (14 dígitos) ou o CPF (11 dígitos), somente os números."));
  if (!digitsOnly)
    refuse(QStringLiteral("O CNPJ/CPF \"%1\" contém caracteres que não são números: informe somente os números "
                          "(de 0 a 9), sem pontos, barras ou traços.")
               .arg(shown));
  const QByteArray d = typed.toLatin1();
  // Fourteen digits: a CNPJ, or a CPF with the zeros CNPJCPF.KSD keeps before it.
  const bool fourteen = d.size() == 14 && (isValidCnpj(d) || (d.startsWith("000") && isValidCpf(d.mid(3))));
  if (fourteen || isValidCpf(d)) return padIdentity(d);
  if (d.size() != 11 && d.size() != 14)
    refuse(QStringLiteral("O CNPJ/CPF %1 não é válido: um CNPJ tem 14 dígitos e um CPF tem 11. Confira os dígitos.")
               .arg(shown));
  // "CNPJ: 12.345.678/0001-90" -> "O CNPJ 12.345.678/0001-90 não é válido: confira os dígitos."
  refuse(QStringLiteral("O %1 não é válido: confira os dígitos.")
             .arg(QString::fromLatin1(identityDisplay(d)).replace(QStringLiteral(": "), QStringLiteral(" "))));
  return {};
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
