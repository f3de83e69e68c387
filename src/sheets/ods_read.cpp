// The first table of an OpenDocument spreadsheet (.ods), from its content.xml: repeated rows and
// cells as spreadsheet programs store them, a cell's value by its value type, else as shown.
#include "sheets/sheet_parts.h"

#include <algorithm>

namespace cotavia::sheets {

namespace {

const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kTable = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kCalcExt = QStringLiteral("urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0");
constexpr int kSpacesCap = 1024;  // blanks one <text:s> may stand for

qint64 repeatCount(const Xml& x, const char* attribute) {
  const QString v = x.attr(kTable, attribute);
  if (v.isEmpty()) return 1;
  bool ok = false;
  const qint64 n = v.toLongLong(&ok);
  if (!ok || n < 1) throw x.fault("repetição '" + v.left(20) + "' inválida");
  return n;
}

// The text of a paragraph and its spans: <text:s> blanks, tabs and line breaks kept, notes
// and comments left out.
void paragraphText(Xml& x, QString& out) {
  int depth = 1;
  while (depth > 0 && x.next()) {
    if (x.r.isCharacters()) {
      if (out.size() < kCellTextCap) out += x.r.text().left(kCellTextCap - out.size());
    } else if (x.start()) {
      if (x.is(kText, "s")) {
        bool ok = false;
        const int c = x.attr(kText, "c").toInt(&ok);
        if (out.size() < kCellTextCap) out += QString(ok ? std::clamp(c, 1, kSpacesCap) : 1, ' ');
        x.skip();
      } else if (x.is(kText, "tab")) {
        out += '\t';
        x.skip();
      } else if (x.is(kText, "line-break")) {
        out += '\n';
        x.skip();
      } else if (x.is(kOffice, "annotation") || x.is(kText, "note")) {
        x.skip();
      } else {
        ++depth;
      }
    } else if (x.end()) {
      --depth;
    }
  }
}

SheetCell odsCell(Xml& x, const QString& fileName, const QString& sheet, int row, int column) {
  SheetCell c;
  const QString type = x.attr(kOffice, "value-type");
  const bool error = x.attr(kCalcExt, "value-type") == QLatin1String("error");
  const bool formula = x.hasAttr(kTable, "formula");
  const QString value = x.attr(kOffice, "value");
  const bool hasStringValue = x.hasAttr(kOffice, "string-value");
  const QString stringValue = x.attr(kOffice, "string-value");
  const QString booleanValue = x.attr(kOffice, "boolean-value");
  QString shown;
  bool firstParagraph = true;
  int depth = 1;
  while (depth > 0 && x.next()) {
    if (x.start()) {
      if (x.is(kText, "p") || x.is(kText, "h")) {
        if (!firstParagraph) shown += '\n';
        firstParagraph = false;
        paragraphText(x, shown);
      } else {
        x.skip();
      }
    } else if (x.end()) {
      --depth;
    }
  }
  if (error) {
    c.kind = SheetCell::Kind::Error;
    c.text = shown;
  } else if (type == QLatin1String("float") || type == QLatin1String("percentage") ||
             type == QLatin1String("currency")) {
    const std::optional<double> v = parseNumber(value);
    if (!v)
      throw damaged(fileName, str(sheetCellName(sheet, row, column)) + " tem o número '" + str(value.left(40)) +
                                  "', que não se lê");
    c.kind = SheetCell::Kind::Number;
    c.number = *v;
  } else if (type == QLatin1String("boolean")) {
    c.kind = SheetCell::Kind::Boolean;
    c.text = booleanValue == QLatin1String("true") ? QStringLiteral("VERDADEIRO") : QStringLiteral("FALSO");
  } else if (!type.isEmpty()) {  // string; date and time as shown
    c.text = type == QLatin1String("string") && hasStringValue ? stringValue.left(kCellTextCap) : shown;
    if (!c.text.isEmpty()) c.kind = SheetCell::Kind::Text;
  } else if (formula) {
    c.kind = SheetCell::Kind::Formula;
  } else if (!shown.isEmpty()) {
    c.kind = SheetCell::Kind::Text;
    c.text = shown;
  }
  return c;
}

}  // namespace

SheetTable readOds(const QByteArray& content, const QString& fileName, int columns) {
  const Zip zip(content, fileName);
  // OpenDocument encrypts parts inside an ordinary zip; its manifest says so.
  if (zip.has(QStringLiteral("META-INF/manifest.xml"))) {
    Xml m(zip, fileName, QStringLiteral("META-INF/manifest.xml"));
    while (m.next())
      if (m.start() && m.r.name() == QLatin1String("encryption-data")) throw encrypted(fileName);
  }
  const QString part = QStringLiteral("content.xml");
  Xml x(zip, fileName, part);
  SheetTable t;
  bool inSpreadsheet = false, found = false;
  while (!found && x.next()) {
    if (!x.start()) continue;
    if (x.is(kOffice, "spreadsheet")) inSpreadsheet = true;
    if (inSpreadsheet && x.is(kTable, "table")) found = true;
  }
  if (!found)
    throw AppError(ErrorKind::Refused, fileName,
                   "é um documento OpenDocument sem planilha; salve a lista de preços como .ods, .xlsx ou .csv");
  t.name = x.attr(kTable, "name");

  qint64 row = 0;  // rows passed so far
  int depth = 1;
  while (depth > 0 && x.next()) {
    if (x.end()) {
      --depth;
      continue;
    }
    if (!x.start()) continue;
    if (x.is(kTable, "table-header-rows") || x.is(kTable, "table-row-group") || x.is(kTable, "table-rows")) {
      ++depth;  // rows inside
      continue;
    }
    if (!x.is(kTable, "table-row")) {
      x.skip();
      continue;
    }
    const qint64 rowsRepeated = repeatCount(x, "number-rows-repeated");
    const int rowNo = int(std::min<qint64>(row + 1, kSheetMaxRow + 1));
    QList<SheetCell> cells(columns);
    qint64 column = 0;  // columns passed so far
    int cellDepth = 1;
    while (cellDepth > 0 && x.next()) {
      if (x.end()) {
        --cellDepth;
        continue;
      }
      if (!x.start()) continue;
      if (!x.is(kTable, "table-cell") && !x.is(kTable, "covered-table-cell")) {
        x.skip();
        continue;
      }
      const qint64 repeated = repeatCount(x, "number-columns-repeated");
      const SheetCell c = odsCell(x, fileName, t.name, rowNo, int(std::min<qint64>(column + 1, kSheetMaxColumns)));
      if (isFilled(c) && column + repeated > kSheetMaxColumns) throw columnCap(fileName, t.name, rowNo);
      for (qint64 k = column; k < std::min<qint64>(column + repeated, columns); ++k) cells[k] = c;
      column = std::min<qint64>(column + repeated, qint64(kSheetMaxColumns) + 1);
    }
    addRows(t, row + 1, rowsRepeated, cells, fileName);
    row = std::min<qint64>(row + rowsRepeated, qint64(kSheetMaxRow) + 1);
  }
  return t;
}

}  // namespace cotavia::sheets
