#include "app/price_list.h"

#include "app/amounts.h"
#include "app/item_entry.h"
#include "platform/codepage.h"
#include "platform/files.h"

#include <QHash>

namespace cotavia {

namespace {

constexpr int kBrandLength = 20;  // characters of the brand a proposal file keeps

AppError lineError(const QString& fileName, int line, const std::string& reason) {
  return AppError(ErrorKind::Refused, fileName, line, reason);
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
long double parseAmount(const QByteArray& text, int maxDecimals, const char* what, const QString& fileName, int line) {
  const QByteArray s = text.trimmed();
  if (s.isEmpty()) return 0;
  const std::string shown = textForMessage(s);
  if (s.startsWith('-')) throw lineError(fileName, line, what + std::string(" negativo: '") + shown + "'");
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
  if (!ok) throw lineError(fileName, line, what + std::string(" '") + shown + "' não é um valor como 1.234,56");
  if (decPart.size() > maxDecimals)
    throw lineError(
        fileName, line,
        what + std::string(" '") + shown + "' tem mais de " + std::to_string(maxDecimals) + " casas decimais");
  QByteArray plain = intPart;
  plain.replace('.', "");
  if (!decPart.isEmpty()) plain += ',' + decPart;
  return strToFloat(plain);
}

}  // namespace

QList<PriceLine> parsePriceList(const QByteArray& content, const QString& fileName) {
  const QList<QByteArray> lines = splitLines(utf8OrCp1252ToCp1252(content));
  static const QList<QByteArray> kHeader = {"item", "marca", "preco_unitario", "desconto", "acrescimo"};
  if (lines.isEmpty())
    throw lineError(
        fileName, 1,
        "a lista de preços está vazia; a primeira linha deve ser item;marca;preco_unitario;desconto;acrescimo");
  {
    QList<QByteArray> head = splitFields(lines[0]);
    while (head.size() > kHeader.size() && head.last().trimmed().isEmpty()) head.removeLast();
    bool ok = head.size() == kHeader.size();
    for (qsizetype i = 0; ok && i < head.size(); ++i) ok = head[i].trimmed().toLower() == kHeader[i];
    if (!ok) throw lineError(fileName, 1, "a primeira linha deve ser item;marca;preco_unitario;desconto;acrescimo");
  }
  QList<PriceLine> out;
  QHash<QByteArray, int> seen;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i) + 1;
    if (lines[i].trimmed().isEmpty()) continue;
    QList<QByteArray> f = splitFields(lines[i]);
    while (f.size() > kHeader.size() && f.last().trimmed().isEmpty()) f.removeLast();
    if (f.size() != kHeader.size())
      throw lineError(
          fileName, lineNo,
          "esperados 5 campos separados por ';' (item;marca;preco_unitario;desconto;acrescimo), encontrados " +
              std::to_string(f.size()));
    PriceLine p;
    p.line = lineNo;
    p.item = f[0].trimmed();
    if (p.item.isEmpty()) throw lineError(fileName, lineNo, "o número do item está vazio");
    p.brand = f[1].trimmed();
    for (char c : p.brand)
      if (static_cast<unsigned char>(c) < 0x20)
        throw lineError(fileName, lineNo, "a marca contém um caractere de controle");
    if (p.brand.size() > kBrandLength)
      throw lineError(fileName, lineNo, "a marca '" + textForMessage(p.brand) + "' tem mais de 20 caracteres");
    p.unitPrice = parseAmount(f[2], 4, "preço unitário", fileName, lineNo);
    p.discount = parseAmount(f[3], 2, "desconto", fileName, lineNo);
    p.surcharge = parseAmount(f[4], 2, "acréscimo", fileName, lineNo);
    if (auto it = seen.constFind(p.item); it != seen.cend())
      throw lineError(fileName, lineNo,
                      "o item " + textForMessage(p.item) + " já aparece na linha " + std::to_string(it.value()));
    seen.insert(p.item, lineNo);
    out.append(p);
  }
  return out;
}

QList<PriceLine> readPriceList(const QString& path) { return parsePriceList(readWholeFile(path), path); }

int applyPriceList(Proposal& proposal, const QList<PriceLine>& lines, const QString& fileName) {
  QList<GridRow> rows = proposal.rows;
  const int count = itemCount(rows);
  QHash<QByteArray, QList<int>> index;
  for (int r = 0; r < count; ++r) index[rows[r][ColItem].trimmed()].append(r);
  int priced = 0;
  for (const PriceLine& p : lines) {
    auto it = index.constFind(p.item);
    if (it == index.cend())
      throw lineError(fileName, p.line, "o item " + textForMessage(p.item) + " não está na proposta");
    for (int r : it.value()) {
      const long double total = applyItemEntry(rows[r], p.brand, p.unitPrice, p.discount, p.surcharge);
      if (total < 0)
        throw lineError(fileName, p.line,
                        "item " + textForMessage(p.item) + ": o total do item " +
                            formatAmount(total, 2, 14).toStdString() +
                            " seria negativo (o desconto é maior que quantidade vezes preço unitário mais acréscimo)");
      // What the proposal file could not hold is refused here, naming the price list's line.
      Proposal one;
      one.rows = {rows[r]};
      try {
        responseFileLines(one);
      } catch (const AppError& e) {
        std::string reason = e.what();
        if (const auto colon = reason.find("): "); colon != std::string::npos) reason = reason.substr(colon + 3);
        throw lineError(fileName, p.line, "item " + textForMessage(p.item) + ": " + reason);
      }
      ++priced;
    }
  }
  proposal.rows = std::move(rows);
  return priced;
}

}  // namespace cotavia
