#include "app/core/price_list.h"

#include "app/core/item_entry.h"
#include "platform/amounts.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "sheets/price_table.h"
#include "sheets/spreadsheet_read.h"

#include <QFileInfo>
#include <QHash>
#include <charconv>

namespace cotavia {

namespace {

constexpr int kBrandLength = 20;  // characters of the brand a proposal file keeps
constexpr int kFieldCount = 5;    // item;marca;preco_unitario;desconto;acrescimo
const char* const kHeaderText = "item;marca;preco_unitario;desconto;acrescimo";

// A refusal naming the line of a text file, or the cell of a sheet.
AppError fieldError(const QString& fileName, int line, const QString& cell, const std::string& reason) {
  if (cell.isEmpty()) return AppError(ErrorKind::Refused, fileName, line, reason);
  return AppError(ErrorKind::Refused, fileName, cell.toStdString() + ": " + reason);
}

AppError lineError(const QString& fileName, const PriceLine& p, const std::string& reason) {
  return fieldError(fileName, p.line, p.cell, reason);
}

// "o item 0003", or "o item 0003 de código 000123" when the line gives the code.
std::string itemOf(const PriceLine& p) {
  std::string s = "o item " + textForMessage(p.item);
  if (!p.code.isEmpty()) s += " de código " + textForMessage(p.code);
  return s;
}

// "na linha 7" or "em Precos!A7": where a line of the list is.
std::string placeOf(const PriceLine& p) {
  return p.cell.isEmpty() ? "na linha " + std::to_string(p.line) : "em " + p.cell.toStdString();
}
// Splits a line at ";", honouring fields quoted with " (a doubled "" inside is one ").
QList<QByteArray> splitFields(const QByteArray& line) {
  QList<QByteArray> fields;
  QByteArray cur;
  bool quoted = false;
  for (qsizetype i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < line.size() && line[i + 1] == '"') {
          cur += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        cur += c;
      }
    } else if (c == '"' && cur.trimmed().isEmpty()) {
      cur.clear();
      quoted = true;
    } else if (c == ';') {
      fields.append(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  fields.append(cur);
  return fields;
}

bool allDigits(const QByteArray& s) {
  if (s.isEmpty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// An amount in Brazilian notation: "1.234,5678", "1234,5", "12" or empty (0).
long double parseAmount(const PriceField& field, int maxDecimals, const char* what, const QString& fileName, int line) {
  const QString& cell = field.cell;
  const QByteArray& text = field.text;
  const QByteArray s = text.trimmed();
  if (s.isEmpty()) return 0;
  const std::string shown = textForMessage(s);
  if (s.startsWith('-')) throw fieldError(fileName, line, cell, what + std::string(" negativo: '") + shown + "'");
  const qsizetype comma = s.indexOf(',');
  const QByteArray intPart = comma < 0 ? s : s.left(comma);
  const QByteArray decPart = comma < 0 ? QByteArray() : s.mid(comma + 1);
  bool ok = comma < 0 || allDigits(decPart);
  if (ok) {
    if (intPart.contains('.')) {
      const QList<QByteArray> groups = intPart.split('.');
      ok = groups[0].size() >= 1 && groups[0].size() <= 3 && allDigits(groups[0]);
      for (qsizetype g = 1; ok && g < groups.size(); ++g) ok = groups[g].size() == 3 && allDigits(groups[g]);
    } else {
      ok = allDigits(intPart);
    }
  }
  if (!ok) throw fieldError(fileName, line, cell, what + std::string(" '") + shown + "' não é um valor como 1.234,56");
  if (decPart.size() > maxDecimals)
    throw fieldError(
        fileName, line, cell,
        what + std::string(" '") + shown + "' tem mais de " + std::to_string(maxDecimals) + " casas decimais");
  QByteArray plain = intPart;
  plain.replace('.', "");
  if (!decPart.isEmpty()) plain += ',' + decPart;
  return strToFloat(plain);
}

// A header name as compared: blanks around it, case and accents do not count.
QString headerName(const QString& s) {
  const QString d = s.trimmed().normalized(QString::NormalizationForm_D);
  QString out;
  for (const QChar c : d)
    if (c.category() != QChar::Mark_NonSpacing) out += c;
  return out.toLower();
}

// A character the proposal file cannot hold (Windows-1252 has no emoji).
constexpr const char* kNotInCp1252Prefix = "a linha contém ";
constexpr const char* kNotInCp1252Rest =
    ", que o arquivo da proposta não pode guardar (Windows-1252); troque ou apague esses caracteres";

// True when the sixth name is "codigo": the list gives each item's code.
bool hasCodeColumn(const QStringList& names) {
  return names.size() > kFieldCount && headerName(names[kFieldCount]) == QLatin1String("codigo");
}

// True when the first five names are the header's (more names may follow).
bool isHeader(const QStringList& names) {
  static const QStringList kHeader = QString::fromLatin1(kHeaderText).split(';');
  if (names.size() < kFieldCount) return false;
  for (int i = 0; i < kFieldCount; ++i)
    if (headerName(names[i]) != kHeader[i]) return false;
  return true;
}

// True when the row's first five fields (the code does not count) are empty.
bool blank(const QList<PriceField>& fields) {
  for (qsizetype i = 0; i < std::min<qsizetype>(fields.size(), kFieldCount); ++i)
    if (fields[i].isNumber || !fields[i].text.trimmed().isEmpty()) return false;
  return true;
}

// A number's shortest decimal form that reads back as the same double, in Brazilian notation
// without thousands dots: 0.45000000000000001 -> "0,45", 1e21 -> "1000000000000000000000".
QByteArray shortestDecimal(double v) {
  if (v == 0) v = 0;  // no "-0"
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  const std::string sci(buf, ec == std::errc() ? end : buf);
  const size_t e = sci.find('e');
  if (e == std::string::npos) return QByteArray::number(v, 'g', 17);
  std::string mantissa = sci.substr(0, e);
  const int exponent = std::stoi(sci.substr(e + 1));
  const bool negative = !mantissa.empty() && mantissa[0] == '-';
  if (negative) mantissa.erase(0, 1);
  std::string digits;
  for (char c : mantissa)
    if (c != '.') digits += c;
  const int point = exponent + 1;  // digits before the decimal comma
  std::string out;
  if (point <= 0)
    out = "0," + std::string(size_t(-point), '0') + digits;
  else if (size_t(point) >= digits.size())
    out = digits + std::string(size_t(point) - digits.size(), '0');
  else
    out = digits.substr(0, size_t(point)) + "," + digits.substr(size_t(point));
  return QByteArray::fromStdString((negative ? "-" : "") + out);
}

// Refuses an item listed twice (by the same text, or the same number cell value).
class DuplicateCheck {
 public:
  void add(const PriceLine& p, const QString& fileName) {
    const QByteArray key = (p.itemIsNumber ? "#" : "") + p.item + '\n' + (p.codeIsNumber ? "#" : "") + p.code;
    if (auto it = seen_.constFind(key); it != seen_.cend())
      throw lineError(fileName, p, itemOf(p) + " já aparece " + placeOf(it.value()));
    seen_.insert(key, p);
  }

 private:
  QHash<QByteArray, PriceLine> seen_;
};

QList<PriceLine> parseSheet(const SheetTable& t, const QString& fileName) {
  int fieldCount = kFieldCount;
  if (t.rows.isEmpty())
    throw AppError(ErrorKind::Refused, fileName,
                   "a planilha " + t.name.toStdString() + " está vazia; a primeira linha deve ser " + kHeaderText);
  {
    const SheetRow& head = t.rows[0];
    QStringList names;
    for (const SheetCell& c : head.cells) names << (c.kind == SheetCell::Kind::Text ? c.text : QString());
    fieldCount = hasCodeColumn(names) ? kFieldCount + 1 : kFieldCount;
    if (!isHeader(names))
      throw fieldError(fileName, 0, sheetCellName(t.name, head.row, 1),
                       std::string("a primeira linha preenchida deve ser ") + kHeaderText +
                           ", uma coluna para cada nome, a partir da coluna A");
  }
  QList<PriceLine> out;
  DuplicateCheck duplicates;
  for (qsizetype r = 1; r < t.rows.size(); ++r) {
    const SheetRow& row = t.rows[r];
    QList<PriceField> fields;
    for (int c = 0; c < fieldCount; ++c) {
      const SheetCell& cell = row.cells[c];
      PriceField f;
      f.cell = sheetCellName(t.name, row.row, c + 1);
      switch (cell.kind) {
        case SheetCell::Kind::Empty:
          break;
        case SheetCell::Kind::Text:
          if (const QString bad = notInCp1252(cell.text); !bad.isEmpty())
            throw fieldError(fileName, 0, f.cell,
                             std::string("a célula contém ") + bad.toStdString() + kNotInCp1252Rest);
          f.text = toCp1252(cell.text);
          break;
        case SheetCell::Kind::Number:
          f.text = shortestDecimal(cell.number);
          f.isNumber = true;
          break;
        case SheetCell::Kind::Formula:
          throw fieldError(fileName, 0, f.cell,
                           "a fórmula não tem valor calculado; abra a planilha no programa de planilhas, deixe-o "
                           "calcular e salve-a de novo");
        case SheetCell::Kind::Error:
          throw fieldError(fileName, 0, f.cell,
                           "a célula mostra o erro " + cell.text.toStdString() + "; corrija a fórmula ou o valor");
        case SheetCell::Kind::Boolean:
          throw fieldError(fileName, 0, f.cell,
                           "a célula tem o valor lógico " + cell.text.toStdString() + ", e não um texto ou um número");
      }
      fields.append(f);
    }
    if (blank(fields)) continue;
    const PriceLine p = priceLineFromFields(fields, row.row, fileName);
    duplicates.add(p, fileName);
    out.append(p);
  }
  return out;
}

QByteArray withoutLeadingZeros(const QByteArray& digits) {
  qsizetype zeros = 0;
  while (zeros + 1 < digits.size() && digits[zeros] == '0') ++zeros;
  return digits.mid(zeros);
}

// "a", "a e b", "a, b e c".
std::string listed(const QList<std::string>& names) {
  std::string s;
  for (qsizetype i = 0; i < names.size(); ++i) {
    if (i > 0) s += i + 1 == names.size() ? " e " : ", ";
    s += names[i];
  }
  return s;
}

// The item a line prices among the items that have its number: the only one, or, when a call
// repeats the number (lots), the one whose code the line gives. Throws naming the items when
// that is not exactly one.
int pickItem(const QList<GridRow>& rows, const QList<int>& sameNumber, const PriceLine& p, const QString& fileName) {
  if (sameNumber.size() == 1) return sameNumber[0];
  const auto codeOf = [&](int r) { return rows[r][ColCode].trimmed(); };
  QList<std::string> codes;
  for (int r : sameNumber) codes << textForMessage(codeOf(r));
  const std::string number = textForMessage(rows[sameNumber[0]][ColItem].trimmed());
  if (p.code.isEmpty())
    throw lineError(fileName, p,
                    "o item " + number + " aparece " + std::to_string(sameNumber.size()) +
                        " vezes na proposta, com os códigos " + listed(codes) +
                        "; indique o código do item na coluna codigo, a sexta da lista (como a exportação de "
                        "preços a escreve)");
  QList<int> picked;
  for (int r : sameNumber) {
    const QByteArray code = codeOf(r);
    if (p.codeIsNumber ? allDigits(code) && withoutLeadingZeros(code) == p.code : code == p.code) picked << r;
  }
  if (picked.isEmpty())
    throw lineError(fileName, p,
                    "nenhum dos " + std::to_string(sameNumber.size()) + " itens " + number +
                        " da proposta tem o código " + textForMessage(p.code) + " (eles têm os códigos " +
                        listed(codes) + ")");
  if (picked.size() > 1) {
    QList<std::string> places;
    for (int r : picked) places << std::to_string(r + 1);
    throw lineError(fileName, p,
                    "o item " + number + " de código " + textForMessage(codeOf(picked[0])) + " aparece " +
                        std::to_string(picked.size()) + " vezes na proposta (posições " + listed(places) +
                        " da lista de itens); dê os preços desses itens na janela da proposta");
  }
  return picked[0];
}

}  // namespace

PriceLine priceLineFromFields(const QList<PriceField>& f, int line, const QString& fileName) {
  PriceLine p;
  p.line = line;
  p.cell = f[0].cell;
  if (f[0].isNumber) {
    p.item = f[0].text;
    p.itemIsNumber = true;
    if (!allDigits(p.item))
      throw lineError(fileName, p, "o número do item " + textForMessage(p.item) + " não é um número inteiro sem sinal");
  } else {
    p.item = f[0].text.trimmed();
    if (p.item.isEmpty()) throw lineError(fileName, p, "o número do item está vazio");
  }
  if (f.size() > kFieldCount) {
    const PriceField& code = f[kFieldCount];
    p.code = code.text.trimmed();
    p.codeIsNumber = code.isNumber;
    if (p.codeIsNumber && !allDigits(p.code))
      throw fieldError(fileName, line, code.cell,
                       "o código " + textForMessage(p.code) + " não é um número inteiro sem sinal");
  }
  const PriceField& brand = f[1];
  p.brand = brand.text.trimmed();
  for (char c : p.brand)
    if (static_cast<unsigned char>(c) < 0x20)
      throw fieldError(fileName, line, brand.cell, "a marca contém um caractere de controle");
  if (p.brand.size() > kBrandLength)
    throw fieldError(fileName, line, brand.cell, "a marca '" + textForMessage(p.brand) + "' tem mais de 20 caracteres");
  p.unitPrice = parseAmount(f[2], 4, "preço unitário", fileName, line);
  p.discount = parseAmount(f[3], 2, "desconto", fileName, line);
  p.surcharge = parseAmount(f[4], 2, "acréscimo", fileName, line);
  p.priced = !(f[2].text.trimmed().isEmpty() && f[3].text.trimmed().isEmpty() && f[4].text.trimmed().isEmpty());
  return p;
}

QList<PriceLine> parsePriceList(const QByteArray& content, const QString& fileName) {
  // A UTF-8 list holding a character Windows-1252 has not (an emoji in a brand) is refused,
  // naming the line, instead of reaching the proposal as "?".
  if (isUtf8(content)) {
    const QList<QByteArray> raw = splitLines(content);
    for (qsizetype i = 0; i < raw.size(); ++i) {
      QString text = QString::fromUtf8(raw[i]);
      if (i == 0) text.remove(QChar(0xFEFF));  // the byte order mark
      if (const QString bad = notInCp1252(text); !bad.isEmpty())
        throw fieldError(fileName, static_cast<int>(i) + 1, QString(),
                         kNotInCp1252Prefix + bad.toStdString() + kNotInCp1252Rest);
    }
  }
  const QList<QByteArray> lines = splitLines(utf8OrCp1252ToCp1252(content));
  if (lines.isEmpty())
    throw AppError(ErrorKind::Refused, fileName, 1,
                   std::string("a lista de preços está vazia; a primeira linha deve ser ") + kHeaderText);
  int fieldCount = kFieldCount;
  {
    QStringList names;
    for (const QByteArray& f : splitFields(lines[0])) names << fromCp1252(f);
    if (!isHeader(names))
      throw AppError(ErrorKind::Refused, fileName, 1, std::string("a primeira linha deve ser ") + kHeaderText);
    if (hasCodeColumn(names)) fieldCount = kFieldCount + 1;
  }
  QList<PriceLine> out;
  DuplicateCheck duplicates;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i) + 1;
    const QList<QByteArray> split = splitFields(lines[i]);
    QList<PriceField> fields;
    for (qsizetype k = 0; k < std::min<qsizetype>(split.size(), fieldCount); ++k)
      fields.append({csvCellText(split[k].trimmed()), false, {}});
    if (blank(fields)) continue;
    if (fields.size() < kFieldCount)
      throw AppError(ErrorKind::Refused, fileName, lineNo,
                     std::string("esperados 5 campos separados por ';' (") + kHeaderText + "), encontrados " +
                         std::to_string(fields.size()));
    const PriceLine p = priceLineFromFields(fields, lineNo, fileName);
    duplicates.add(p, fileName);
    out.append(p);
  }
  return out;
}

QList<PriceLine> parsePriceListFile(const QByteArray& content, const QString& fileName) {
  const SpreadsheetFormat format = spreadsheetFormat(content, fileName);
  if (format == SpreadsheetFormat::Text) return parsePriceList(content, fileName);
  return parseSheet(readFirstSheet(content, format, fileName, kFieldCount + 1), fileName);
}

QList<PriceLine> readPriceList(const QString& path) {
  const QFileInfo info(path);
  if (info.isFile() && info.size() > kSpreadsheetPartCap)
    throw AppError(ErrorKind::Refused, path,
                   "o arquivo passa de " + std::to_string(kSpreadsheetPartCap / (1024 * 1024)) +
                       " MB, muito mais do que uma lista de preços ocupa; confira se é o arquivo certo");
  return parsePriceListFile(readWholeFile(path), path);
}

int applyPriceList(Proposal& proposal, const QList<PriceLine>& lines, const QString& fileName) {
  QList<GridRow> rows = proposal.rows;
  const int count = itemCount(rows);
  QHash<QByteArray, QList<int>> index;    // by the item number's text
  QHash<QByteArray, QList<int>> byValue;  // by its value, for number cells: "0003" -> "3"
  for (int r = 0; r < count; ++r) {
    const QByteArray item = rows[r][ColItem].trimmed();
    index[item].append(r);
    if (allDigits(item)) byValue[withoutLeadingZeros(item)].append(r);
  }
  QHash<int, const PriceLine*> pricedBy;
  int priced = 0;
  for (const PriceLine& p : lines) {
    const auto& found = p.itemIsNumber ? byValue : index;
    auto it = found.constFind(p.item);
    if (it == found.cend()) throw lineError(fileName, p, "o item " + textForMessage(p.item) + " não está na proposta");
    const int r = pickItem(rows, it.value(), p, fileName);
    if (!p.priced) continue;
    if (const PriceLine* first = pricedBy.value(r); first && first != &p)
      throw lineError(fileName, p,
                      "o item " + textForMessage(rows[r][ColItem].trimmed()) + " já recebeu preço " + placeOf(*first));
    pricedBy.insert(r, &p);
    const long double total = applyItemEntry(rows[r], p.brand, p.unitPrice, p.discount, p.surcharge);
    if (total < 0) {
      // The total as the panel rounds it is only exact above -10^12; below, say so instead of
      // showing the rounding's leftovers ("-10,00" for a discount of 10^20).
      const long double exact = itemTotal(parseNumEditText(rows[r][ColQuantity]), p.unitPrice, p.discount, p.surcharge);
      const std::string shown = exact > -1e12L ? "o total do item " + formatAmount(total, 2, 14).toStdString()
                                               : "o total do item, abaixo de -999.999.999.999,99,";
      throw lineError(fileName, p,
                      "item " + textForMessage(p.item) + ": " + shown +
                          " seria negativo (o desconto é maior que quantidade vezes preço unitário mais acréscimo)");
    }
    // What the proposal file could not hold is refused here, naming the price list's line.
    Proposal one;
    one.rows = {rows[r]};
    try {
      responseFileLines(one);
    } catch (const AppError& e) {
      std::string reason = e.what();
      if (const auto colon = reason.find("): "); colon != std::string::npos) reason = reason.substr(colon + 3);
      throw lineError(fileName, p, "item " + textForMessage(p.item) + ": " + reason);
    }
    ++priced;
  }
  proposal.rows = std::move(rows);
  return priced;
}

}  // namespace cotavia
