// The first sheet of an Office Open XML workbook (.xlsx): the package's relationships lead to the
// workbook, its first sheet and the shared strings; the sheet's rows are read first, then only
// the shared strings their cells use.
#include "sheets/sheet_parts.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace cotavia::sheets {

namespace {

QString resolvePart(const QString& fromPart, const QString& target) {
  QString path = target;
  if (path.startsWith('/'))
    path = path.mid(1);
  else
    path = fromPart.left(fromPart.lastIndexOf('/') + 1) + path;
  QStringList out;
  for (const QString& seg : path.split('/')) {
    if (seg.isEmpty() || seg == QLatin1String(".")) continue;
    if (seg == QLatin1String("..")) {
      if (!out.isEmpty()) out.removeLast();
      continue;
    }
    out << seg;
  }
  return out.join('/');
}

QString relsPart(const QString& part) {
  const qsizetype slash = part.lastIndexOf('/');
  return part.left(slash + 1) + "_rels/" + part.mid(slash + 1) + ".rels";
}

struct Relationship {
  QString id, type, target;
};

QList<Relationship> readRelationships(const Zip& zip, const QString& part, const QString& fileName) {
  QList<Relationship> rels;
  const QString name = relsPart(part);
  if (!zip.has(name)) return rels;
  Xml x(zip, fileName, name);
  while (x.next())
    if (x.start() && x.is({}, "Relationship") && x.attrLocal("TargetMode") != QLatin1String("External"))
      rels.append({x.attrLocal("Id"), x.attrLocal("Type"), resolvePart(part, x.attrLocal("Target"))});
  return rels;
}

// OOXML writes control characters as _xHHHH_.
QString decodeOoxml(const QString& s) {
  if (!s.contains(QLatin1String("_x"))) return s;
  QString out;
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == '_' && i + 6 < s.size() && s[i + 1] == 'x' && s[i + 6] == '_') {
      bool ok = false;
      const uint code = s.mid(i + 2, 4).toUInt(&ok, 16);
      if (ok) {
        out += QChar(char16_t(code));
        i += 6;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

// The text of an <si> or <is>: its <t> elements, phonetic runs (<rPh>) left out.
QString richText(Xml& x) {
  QString out;
  int depth = 1;
  while (depth > 0 && x.next()) {
    if (x.start()) {
      if (x.is({}, "rPh")) {
        x.skip();
        continue;
      }
      if (x.is({}, "t")) {
        const QString t = x.text();
        if (out.size() < kCellTextCap) out += t.left(kCellTextCap - out.size());
        continue;
      }
      ++depth;
    } else if (x.end()) {
      --depth;
    }
  }
  return decodeOoxml(out);
}

// "C7" -> column 3, row 7. False when it is no cell reference.
bool parseCellRef(const QString& ref, int& column, int& row) {
  qsizetype i = 0;
  qint64 c = 0, r = 0;
  for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z' && c <= kSheetMaxColumns; ++i)
    c = c * 26 + (ref[i].unicode() - 'A' + 1);
  if (i == 0) return false;
  const qsizetype digits = i;
  for (; i < ref.size() && ref[i] >= '0' && ref[i] <= '9' && r <= kSheetMaxRow; ++i)
    r = r * 10 + (ref[i].unicode() - '0');
  if (i == digits || i != ref.size()) return false;
  column = int(std::min<qint64>(c, kSheetMaxColumns + 1));
  row = int(std::min<qint64>(r, kSheetMaxRow + 1));
  return row >= 1;
}

// The package's office document: the workbook (xl/workbook.xml as every writer names it).
QString workbookPart(const Zip& zip, const QString& fileName) {
  QString workbook = QStringLiteral("xl/workbook.xml");
  for (const Relationship& r : readRelationships(zip, QString(), fileName))
    if (r.type.endsWith(QLatin1String("/officeDocument"))) workbook = r.target;
  if (!zip.has(workbook))
    throw AppError(ErrorKind::Refused, fileName,
                   "é um documento do Office, mas não uma planilha; salve a lista de preços como .xlsx, .ods ou .csv");
  return workbook;
}

// The workbook's first sheet: its name, its part, and the part of the shared strings.
struct FirstSheet {
  QString name, part, stringsPart;
};

FirstSheet firstSheet(const Zip& zip, const QString& workbook, const QString& fileName) {
  FirstSheet sheet;
  QString sheetId;
  bool found = false;
  {
    Xml x(zip, fileName, workbook);
    while (!found && x.next()) {
      if (x.start() && x.is({}, "sheet")) {
        found = true;
        sheet.name = x.attrLocal("name");
        for (const QXmlStreamAttribute& a : x.r.attributes())
          if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty()) sheetId = a.value().toString();
      }
    }
  }
  if (!found) throw damaged(fileName, "a pasta de trabalho não tem nenhuma planilha");
  for (const Relationship& r : readRelationships(zip, workbook, fileName)) {
    if (r.id == sheetId && !sheetId.isEmpty()) sheet.part = r.target;
    if (r.type.endsWith(QLatin1String("/sharedStrings"))) sheet.stringsPart = r.target;
  }
  if (sheet.part.isEmpty()) throw damaged(fileName, "falta a parte da planilha " + str(sheet.name));
  return sheet;
}

// The number of the row a <row> element starts (read on its start tag): its own, or the one
// after `previous` when it has none.
int rowNumber(const Xml& x, int previous) {
  const QString r = x.attrLocal("r");
  int n = previous + 1;
  if (!r.isEmpty()) {
    bool ok = false;
    const qint64 v = r.toLongLong(&ok);
    if (!ok || v < 1) throw x.fault("linha '" + r + "' inválida");
    n = int(std::min<qint64>(v, kSheetMaxRow + 1));
  }
  if (n <= previous) throw x.fault("linha " + QString::number(n) + " fora de ordem");
  return n;
}

// What a <c> element holds, as written.
struct CellElement {
  QString type;  // its t attribute: empty or "n" for a number
  bool hasFormula = false, hasValue = false;
  QString value, inlineText;  // <v>, <is>
};

// Reads a <c> element to its end (called on its start tag).
CellElement readCellElement(Xml& x) {
  CellElement e;
  e.type = x.attrLocal("t");
  int depth = 1;
  while (depth > 0 && x.next()) {
    if (x.start()) {
      if (x.is({}, "v")) {
        e.hasValue = true;
        e.value = x.text();
        continue;
      }
      if (x.is({}, "is")) {
        e.hasValue = true;
        e.inlineText = richText(x);
        continue;
      }
      if (x.is({}, "f")) e.hasFormula = true;
      ++depth;
    } else if (x.end()) {
      --depth;
    }
  }
  return e;
}

// The cell `name` holds by its type. A shared string's cell is a Text whose text is looked up
// later: its index goes to `sharedIndex`.
SheetCell cellValue(const CellElement& e, const QString& name, const QString& fileName, int& sharedIndex) {
  SheetCell c;
  const QString& type = e.type;
  const bool blankNumber = (type.isEmpty() || type == QLatin1String("n")) && e.value.trimmed().isEmpty();
  if (!e.hasValue || blankNumber) {  // some writers leave a formula's <v> empty
    if (e.hasFormula) c.kind = SheetCell::Kind::Formula;
  } else if (type == QLatin1String("s")) {
    bool ok = false;
    sharedIndex = e.value.trimmed().toInt(&ok);
    if (!ok || sharedIndex < 0) throw damaged(fileName, str(name) + " aponta um texto '" + str(e.value) + "' inválido");
    c.kind = SheetCell::Kind::Text;
  } else if (type == QLatin1String("inlineStr")) {
    c.text = e.inlineText;
    if (!c.text.isEmpty()) c.kind = SheetCell::Kind::Text;
  } else if (type == QLatin1String("str") || type == QLatin1String("d")) {
    c.text = decodeOoxml(e.value);
    if (!c.text.isEmpty()) c.kind = SheetCell::Kind::Text;
  } else if (type == QLatin1String("b")) {
    c.kind = SheetCell::Kind::Boolean;
    c.text = e.value.trimmed() == QLatin1String("1") ? QStringLiteral("VERDADEIRO") : QStringLiteral("FALSO");
  } else if (type == QLatin1String("e")) {
    c.kind = SheetCell::Kind::Error;
    c.text = e.value.trimmed();
  } else if (type.isEmpty() || type == QLatin1String("n")) {
    const std::optional<double> v = parseNumber(e.value);
    if (!v) throw damaged(fileName, str(name) + " tem o número '" + str(e.value.left(40)) + "', que não se lê");
    c.kind = SheetCell::Kind::Number;
    c.number = *v;
  } else {
    throw damaged(fileName, str(name) + " tem o tipo de célula '" + str(type.left(20)) + "', desconhecido");
  }
  return c;
}

// A cell holding a shared string, waiting for its text.
struct SharedRef {
  int row, column, index;  // row: index into the table's rows
};

// The sheet's rows into `t`, columns 1..`columns`. Returns the cells whose shared strings are
// still to be looked up.
QList<SharedRef> readSheetRows(const Zip& zip, const QString& part, const QString& fileName, int columns,
                               SheetTable& t) {
  QList<SharedRef> shared;
  Xml x(zip, fileName, part);
  int row = 0, previousRow = 0;
  bool rowNumbered = false;
  int column = 0;
  QList<SheetCell> cells;
  QList<std::pair<int, int>> pending;  // (column, shared string index) of the current row
  auto flush = [&] {
    const qsizetype before = t.rows.size();
    addRows(t, row, 1, cells, fileName);
    if (t.rows.size() > before)
      for (const auto& [c, i] : pending) shared.append({int(before), c, i});
    cells.clear();
    pending.clear();
  };
  bool inRow = false;
  while (x.next()) {
    if (x.end() && x.is({}, "row") && inRow) {
      flush();
      inRow = false;
      continue;
    }
    if (!x.start()) continue;
    if (x.is({}, "row")) {
      if (inRow) flush();
      const int n = rowNumber(x, row);
      previousRow = row;
      rowNumbered = !x.attrLocal("r").isEmpty();
      row = n;
      column = 0;
      cells = QList<SheetCell>(columns);
      inRow = true;
      continue;
    }
    if (!x.is({}, "c") || !inRow) continue;
    const QString ref = x.attrLocal("r");
    if (!ref.isEmpty()) {
      int refRow = 0;
      if (!parseCellRef(ref, column, refRow)) throw x.fault("célula '" + ref + "' inválida");
      // A row without a number takes its first cell's.
      if (!rowNumbered && refRow > previousRow) row = refRow;
      rowNumbered = true;
      if (refRow != row) throw x.fault("célula '" + ref + "' fora da sua linha");
    } else {
      ++column;
    }
    if (column > kSheetMaxColumns) throw columnCap(fileName, t.name, row);
    const CellElement e = readCellElement(x);
    if (column > columns) continue;
    int sharedIndex = -1;
    cells[column - 1] = cellValue(e, sheetCellName(t.name, row, column), fileName, sharedIndex);
    if (sharedIndex >= 0) pending.append({column, sharedIndex});
  }
  if (inRow) flush();
  return shared;
}

// The texts of the shared strings part that `shared` uses, by index.
QHash<int, QString> sharedStrings(const Zip& zip, const QString& part, const QList<SharedRef>& shared,
                                  const QString& fileName) {
  QSet<int> wanted;
  for (const SharedRef& s : shared) wanted.insert(s.index);
  QHash<int, QString> strings;
  if (part.isEmpty() || !zip.has(part)) return strings;
  Xml x(zip, fileName, part);
  int index = 0;
  while (x.next()) {
    if (!x.start() || !x.is({}, "si")) continue;
    if (wanted.contains(index))
      strings.insert(index, richText(x));
    else
      x.skip();
    ++index;
  }
  return strings;
}

// Puts the shared strings' texts into their cells; rows whose only texts were empty ones are
// then no rows.
void placeSharedStrings(SheetTable& t, const QList<SharedRef>& shared, const QHash<int, QString>& strings,
                        const QString& fileName) {
  for (const SharedRef& s : shared) {
    const auto it = strings.constFind(s.index);
    SheetRow& r = t.rows[s.row];
    if (it == strings.cend())
      throw damaged(fileName, str(sheetCellName(t.name, r.row, s.column)) + " aponta o texto " +
                                  std::to_string(s.index) + ", que não existe");
    SheetCell& c = r.cells[s.column - 1];
    c.text = *it;
    if (c.text.isEmpty()) c.kind = SheetCell::Kind::Empty;
  }
  t.rows.removeIf([](const SheetRow& r) { return std::none_of(r.cells.cbegin(), r.cells.cend(), isFilled); });
}

}  // namespace

SheetTable readXlsx(const QByteArray& content, const QString& fileName, int columns) {
  const Zip zip(content, fileName);
  const FirstSheet sheet = firstSheet(zip, workbookPart(zip, fileName), fileName);
  SheetTable t;
  t.name = sheet.name;
  // Shared strings are looked up after the rows, only those the columns asked for use.
  const QList<SharedRef> shared = readSheetRows(zip, sheet.part, fileName, columns, t);
  if (!shared.isEmpty())
    placeSharedStrings(t, shared, sharedStrings(zip, sheet.stringsPart, shared, fileName), fileName);
  return t;
}

}  // namespace cotavia::sheets
