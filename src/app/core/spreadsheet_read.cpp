#include "app/core/spreadsheet_read.h"

#include <zip.h>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

#include <charconv>
#include <memory>
#include <optional>

namespace cotavia {

namespace {

const QByteArray kOle2Magic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr qsizetype kCellTextCap = 32768;  // characters kept of one cell's text
constexpr int kSpacesCap = 1024;           // blanks one <text:s> may stand for
// Elements one inside another: a sheet nests about ten (cell, paragraph, spans); deeper ones are
// refused at once, as reading millions of levels would take minutes and gigabytes.
constexpr int kXmlDepthCap = 64;

const QString kOdsMime = QStringLiteral("application/vnd.oasis.opendocument.spreadsheet");
const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kTable = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kCalcExt = QStringLiteral("urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0");

std::string str(const QString& s) { return s.toStdString(); }

std::string thousands(long long n) {
  std::string s = std::to_string(n);
  for (int i = int(s.size()) - 3; i > 0; i -= 3) s.insert(size_t(i), ".");
  return s;
}

AppError damaged(const QString& fileName, const std::string& what) {
  return AppError(ErrorKind::Damaged, fileName,
                  "a planilha está danificada (" + what + "); abra-a no programa de planilhas e salve-a de novo");
}

AppError encrypted(const QString& fileName) {
  return AppError(ErrorKind::Refused, fileName,
                  "a planilha está protegida por senha; no programa de planilhas, salve-a sem senha e importe de novo");
}

QString columnLetters(int column) {
  QString s;
  for (int c = column; c > 0; c = (c - 1) / 26) s.prepend(QChar('A' + (c - 1) % 26));
  return s;
}

// ---- the zip container --------------------------------------------------------------------

class Zip {
 public:
  Zip(const QByteArray& content, const QString& fileName) : content_(content), fileName_(fileName) {
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* src = zip_source_buffer_create(content_.constData(), zip_uint64_t(content_.size()), 0, &err);
    if (src) {
      zip_ = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &err);
      if (!zip_) zip_source_free(src);
    }
    if (!zip_) {
      const std::string why = zip_error_strerror(&err);
      zip_error_fini(&err);
      throw damaged(fileName_, "o arquivo compactado não pode ser lido: " + why);
    }
    zip_error_fini(&err);
  }
  ~Zip() { zip_discard(zip_); }
  Zip(const Zip&) = delete;
  Zip& operator=(const Zip&) = delete;

  bool has(const QString& name) const { return locate(name) >= 0; }

  // A part being inflated, read piece by piece (a hostile part is refused after its first
  // pieces instead of being inflated whole first).
  class Part {
   public:
    Part(const Zip& zip, const QString& name) : zip_(zip), name_(name) {
      const zip_int64_t index = zip.locate(name);
      if (index < 0) throw damaged(zip.fileName_, "falta a parte " + str(name));
      zip_stat_t st;
      zip_stat_init(&st);
      if (zip_stat_index(zip.zip_, zip_uint64_t(index), 0, &st) != 0)
        throw damaged(zip.fileName_, "a parte " + str(name) + " não pode ser lida");
      if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
        throw encrypted(zip.fileName_);
      if ((st.valid & ZIP_STAT_SIZE) && st.size > zip_uint64_t(kSpreadsheetPartCap)) throw zip.tooLarge(name);
      f_ = zip_fopen_index(zip.zip_, zip_uint64_t(index), 0);
      if (!f_) {
        const int code = zip_error_code_zip(zip_get_error(zip.zip_));
        if (code == ZIP_ER_NOPASSWD || code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_ENCRNOTSUPP)
          throw encrypted(zip.fileName_);
        throw damaged(zip.fileName_, "a parte " + str(name) + ": " + zip_strerror(zip.zip_));
      }
    }
    ~Part() { zip_fclose(f_); }
    Part(const Part&) = delete;
    Part& operator=(const Part&) = delete;

    // The next bytes of the part, at most 64 KB; empty at its end. The part as a whole holds at
    // most kSpreadsheetPartCap bytes.
    QByteArray next() {
      QByteArray out(65536, Qt::Uninitialized);
      const zip_int64_t n = zip_fread(f_, out.data(), zip_uint64_t(out.size()));
      if (n < 0) throw damaged(zip_.fileName_, "a parte " + str(name_) + ": " + zip_file_strerror(f_));
      total_ += n;
      if (total_ > kSpreadsheetPartCap) throw zip_.tooLarge(name_);
      out.resize(qsizetype(n));
      return out;
    }

   private:
    const Zip& zip_;
    QString name_;
    zip_file_t* f_ = nullptr;
    qint64 total_ = 0;
  };

  // The part inflated whole (a small one: the mimetype).
  QByteArray read(const QString& name) const {
    Part part(*this, name);
    QByteArray out;
    for (QByteArray piece = part.next(); !piece.isEmpty(); piece = part.next()) out += piece;
    return out;
  }

 private:
  zip_int64_t locate(const QString& name) const {
    return zip_name_locate(zip_, name.toUtf8().constData(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
  }
  AppError tooLarge(const QString& name) const {
    return AppError(ErrorKind::Refused, fileName_,
                    "a parte " + str(name) + " da planilha passa de " +
                        std::to_string(kSpreadsheetPartCap / (1024 * 1024)) +
                        " MB descompactada, muito mais do que uma lista de preços ocupa; confira se é o arquivo certo");
  }

  QByteArray content_;  // the bytes libzip reads: kept alive with the archive
  QString fileName_;
  zip_t* zip_ = nullptr;
};

// ---- XML ----------------------------------------------------------------------------------

// A stream reader over one part that refuses DTDs (so no entity is ever declared or expanded)
// and elements nested deeper than kXmlDepthCap, and names the part and line of any fault.
class Xml {
 public:
  // Reads the part of the zip as it is inflated.
  Xml(const Zip& zip, const QString& fileName, const QString& part)
      : source_(std::make_unique<Zip::Part>(zip, part)), fileName_(fileName), part_(part) {}

  // The next token; false at the end of the document.
  bool next() {
    QXmlStreamReader::TokenType token = r.readNext();
    while (token == QXmlStreamReader::Invalid && r.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
      const QByteArray more = source_->next();
      if (more.isEmpty()) break;  // the part ends before its document does
      r.addData(more);
      token = r.readNext();
    }
    switch (token) {
      case QXmlStreamReader::DTD:
        throw AppError(ErrorKind::Damaged, fileName_,
                       "a parte " + str(part_) +
                           " da planilha declara uma DTD, o que uma planilha não faz; ela não é lida por segurança");
      case QXmlStreamReader::EntityReference:
        throw fault("referência a entidade desconhecida");
      case QXmlStreamReader::Invalid:
        throw fault(r.errorString());
      case QXmlStreamReader::StartElement:
        if (++depth_ > kXmlDepthCap)
          throw AppError(ErrorKind::Refused, fileName_,
                         "a parte " + str(part_) + " da planilha tem elementos aninhados em mais de " +
                             std::to_string(kXmlDepthCap) +
                             " níveis, o que uma planilha não tem; confira se é o arquivo certo");
        return true;
      case QXmlStreamReader::EndElement:
        --depth_;
        return true;
      case QXmlStreamReader::EndDocument:
        return false;
      default:
        return true;
    }
  }
  bool start() const { return r.isStartElement(); }
  bool end() const { return r.isEndElement(); }
  bool is(const QString& ns, const char* local) const {
    return r.name() == QLatin1String(local) && (ns.isEmpty() || r.namespaceUri() == ns);
  }
  QString attr(const QString& ns, const char* local) const {
    return r.attributes().value(ns, QLatin1String(local)).toString();
  }
  bool hasAttr(const QString& ns, const char* local) const {
    return r.attributes().hasAttribute(ns, QLatin1String(local));
  }
  // An attribute by local name alone (OOXML writes its main names in more than one namespace).
  QString attrLocal(const char* local) const {
    for (const QXmlStreamAttribute& a : r.attributes())
      if (a.name() == QLatin1String(local) && a.namespaceUri().isEmpty()) return a.value().toString();
    return {};
  }

  // Skips the rest of the current element (called on its start tag).
  void skip() {
    int depth = 1;
    while (depth > 0 && next()) {
      if (start()) ++depth;
      if (end()) --depth;
    }
  }
  // The character data of the current element and its descendants, capped.
  QString text() {
    QString out;
    int depth = 1;
    while (depth > 0 && next()) {
      if (start()) ++depth;
      if (end()) --depth;
      if (r.isCharacters() && out.size() < kCellTextCap) out += r.text().left(kCellTextCap - out.size());
    }
    return out;
  }
  AppError fault(const QString& why) const {
    return damaged(fileName_, "parte " + str(part_) + ", linha " + std::to_string(r.lineNumber()) + ": " + str(why));
  }

  QXmlStreamReader r;

 private:
  std::unique_ptr<Zip::Part> source_;
  QString fileName_;
  QString part_;
  int depth_ = 0;
};

std::optional<double> parseNumber(const QString& text) {
  QByteArray s = text.trimmed().toLatin1();
  if (s.startsWith('+')) s.remove(0, 1);
  if (s.isEmpty()) return std::nullopt;
  double v = 0;
  const auto [end, ec] = std::from_chars(s.constData(), s.constData() + s.size(), v, std::chars_format::general);
  if (ec != std::errc() || end != s.constData() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

AppError rowCap(const QString& fileName, const QString& sheet) {
  return AppError(ErrorKind::Refused, fileName,
                  "a planilha " + str(sheet) + " tem células preenchidas além da linha " + thousands(kSheetMaxRow) +
                      ", o limite de uma planilha; confira se é o arquivo certo");
}

AppError filledCap(const QString& fileName, const QString& sheet) {
  return AppError(ErrorKind::Refused, fileName,
                  "a planilha " + str(sheet) + " tem mais de " + thousands(kSheetMaxFilledRows) +
                      " linhas preenchidas, muito mais do que uma lista de preços; confira se é o arquivo certo");
}

bool isFilled(const SheetCell& c) { return c.kind != SheetCell::Kind::Empty; }

// Adds `count` copies of a row to the table when some cell is filled, within the caps.
void addRows(SheetTable& t, qint64 row, qint64 count, QList<SheetCell> cells, const QString& fileName) {
  bool filled = false;
  for (const SheetCell& c : cells) filled = filled || isFilled(c);
  if (!filled) return;
  if (row + count - 1 > kSheetMaxRow) throw rowCap(fileName, t.name);
  if (t.rows.size() + count > kSheetMaxFilledRows) throw filledCap(fileName, t.name);
  for (qint64 k = 0; k < count; ++k) t.rows.append(SheetRow{int(row + k), cells});
}

AppError columnCap(const QString& fileName, const QString& sheet, int row) {
  return AppError(ErrorKind::Refused, fileName,
                  str(sheetCellName(sheet, row, 1)) + ": a linha passa de " + thousands(kSheetMaxColumns) +
                      " colunas, o limite de uma planilha; confira se é o arquivo certo");
}

// ---- Office Open XML ------------------------------------------------------------------------

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

SheetTable readXlsx(const QByteArray& content, const QString& fileName, int columns) {
  const Zip zip(content, fileName);
  // The workbook: the package's office document (xl/workbook.xml as every writer names it).
  QString workbook = QStringLiteral("xl/workbook.xml");
  for (const Relationship& r : readRelationships(zip, QString(), fileName))
    if (r.type.endsWith(QLatin1String("/officeDocument"))) workbook = r.target;
  if (!zip.has(workbook))
    throw AppError(ErrorKind::Refused, fileName,
                   "é um documento do Office, mas não uma planilha; salve a lista de preços como .xlsx, .ods ou .csv");

  SheetTable t;
  QString sheetId;
  bool found = false;
  {
    Xml x(zip, fileName, workbook);
    while (!found && x.next()) {
      if (x.start() && x.is({}, "sheet")) {
        found = true;
        t.name = x.attrLocal("name");
        for (const QXmlStreamAttribute& a : x.r.attributes())
          if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty()) sheetId = a.value().toString();
      }
    }
  }
  if (!found) throw damaged(fileName, "a pasta de trabalho não tem nenhuma planilha");
  QString sheetPart, stringsPart;
  for (const Relationship& r : readRelationships(zip, workbook, fileName)) {
    if (r.id == sheetId && !sheetId.isEmpty()) sheetPart = r.target;
    if (r.type.endsWith(QLatin1String("/sharedStrings"))) stringsPart = r.target;
  }
  if (sheetPart.isEmpty()) throw damaged(fileName, "falta a parte da planilha " + str(t.name));

  // The sheet. Shared strings are looked up afterwards, only those the columns asked for use.
  struct SharedRef {
    int row, column, index;  // row: index into t.rows
  };
  QList<SharedRef> shared;
  {
    Xml x(zip, fileName, sheetPart);
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
        const QString r = x.attrLocal("r");
        int n = row + 1;
        if (!r.isEmpty()) {
          bool ok = false;
          const qint64 v = r.toLongLong(&ok);
          if (!ok || v < 1) throw x.fault("linha '" + r + "' inválida");
          n = int(std::min<qint64>(v, kSheetMaxRow + 1));
        }
        if (n <= row) throw x.fault("linha " + QString::number(n) + " fora de ordem");
        previousRow = row;
        rowNumbered = !r.isEmpty();
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
      const QString type = x.attrLocal("t");
      bool hasFormula = false, hasValue = false;
      QString value, inlineText;
      int depth = 1;
      while (depth > 0 && x.next()) {
        if (x.start()) {
          if (x.is({}, "v")) {
            hasValue = true;
            value = x.text();
            continue;
          }
          if (x.is({}, "is")) {
            hasValue = true;
            inlineText = richText(x);
            continue;
          }
          if (x.is({}, "f")) hasFormula = true;
          ++depth;
        } else if (x.end()) {
          --depth;
        }
      }
      if (column > columns) continue;
      SheetCell& c = cells[column - 1];
      c = SheetCell();
      const QString name = sheetCellName(t.name, row, column);
      const bool blankNumber = (type.isEmpty() || type == QLatin1String("n")) && value.trimmed().isEmpty();
      if (!hasValue || blankNumber) {  // some writers leave a formula's <v> empty
        if (hasFormula) c.kind = SheetCell::Kind::Formula;
      } else if (type == QLatin1String("s")) {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        if (!ok || index < 0) throw damaged(fileName, str(name) + " aponta um texto '" + str(value) + "' inválido");
        c.kind = SheetCell::Kind::Text;  // its text is looked up below
        pending.append({column, index});
      } else if (type == QLatin1String("inlineStr")) {
        c.text = inlineText;
        if (!c.text.isEmpty()) c.kind = SheetCell::Kind::Text;
      } else if (type == QLatin1String("str") || type == QLatin1String("d")) {
        c.text = decodeOoxml(value);
        if (!c.text.isEmpty()) c.kind = SheetCell::Kind::Text;
      } else if (type == QLatin1String("b")) {
        c.kind = SheetCell::Kind::Boolean;
        c.text = value.trimmed() == QLatin1String("1") ? QStringLiteral("VERDADEIRO") : QStringLiteral("FALSO");
      } else if (type == QLatin1String("e")) {
        c.kind = SheetCell::Kind::Error;
        c.text = value.trimmed();
      } else if (type.isEmpty() || type == QLatin1String("n")) {
        const std::optional<double> v = parseNumber(value);
        if (!v) throw damaged(fileName, str(name) + " tem o número '" + str(value.left(40)) + "', que não se lê");
        c.kind = SheetCell::Kind::Number;
        c.number = *v;
      } else {
        throw damaged(fileName, str(name) + " tem o tipo de célula '" + str(type.left(20)) + "', desconhecido");
      }
    }
    if (inRow) flush();
  }
  if (shared.isEmpty()) return t;

  QSet<int> wanted;
  for (const SharedRef& s : shared) wanted.insert(s.index);
  QHash<int, QString> strings;
  if (!stringsPart.isEmpty() && zip.has(stringsPart)) {
    Xml x(zip, fileName, stringsPart);
    int index = 0;
    while (x.next()) {
      if (!x.start() || !x.is({}, "si")) continue;
      if (wanted.contains(index))
        strings.insert(index, richText(x));
      else
        x.skip();
      ++index;
    }
  }
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
  // Rows whose only texts were empty ones are no rows.
  t.rows.removeIf([](const SheetRow& r) { return std::none_of(r.cells.cbegin(), r.cells.cend(), isFilled); });
  return t;
}

// ---- OpenDocument ---------------------------------------------------------------------------

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

}  // namespace

SpreadsheetFormat spreadsheetFormat(const QByteArray& content, const QString& fileName) {
  if (content.startsWith(kOle2Magic))
    throw AppError(ErrorKind::Refused, fileName,
                   "é uma planilha no formato antigo do Excel (.xls) ou protegida por senha, que não é lida; no "
                   "programa de planilhas, salve-a sem senha como .xlsx, .ods ou .csv e importe de novo");
  const bool zip = content.startsWith("PK\x03\x04") || content.startsWith("PK\x05\x06");
  const QString ext = QFileInfo(fileName).suffix().toLower();
  if (!zip) {
    if (ext == QLatin1String("xlsx") || ext == QLatin1String("xlsm") || ext == QLatin1String("ods"))
      throw damaged(fileName, "o conteúdo não é o arquivo compactado que um ." + str(ext) + " deve ser");
    return SpreadsheetFormat::Text;
  }
  const Zip z(content, fileName);
  if (z.has(QStringLiteral("mimetype"))) {
    const QString mime = QString::fromUtf8(z.read(QStringLiteral("mimetype"))).trimmed();
    if (mime == kOdsMime) return SpreadsheetFormat::Ods;
    if (mime.startsWith(QLatin1String("application/vnd.oasis.opendocument")))
      throw AppError(
          ErrorKind::Refused, fileName,
          "é um documento OpenDocument que não é planilha; salve a lista de preços como .ods, .xlsx ou .csv");
  }
  if (z.has(QStringLiteral("content.xml"))) return SpreadsheetFormat::Ods;
  if (z.has(QStringLiteral("[Content_Types].xml")) || z.has(QStringLiteral("xl/workbook.xml")))
    return SpreadsheetFormat::Xlsx;
  throw AppError(ErrorKind::Refused, fileName,
                 "é um arquivo compactado (.zip), mas não uma planilha .xlsx ou .ods; salve a lista de preços como "
                 ".xlsx, .ods ou .csv");
}

SheetTable readFirstSheet(const QByteArray& content, SpreadsheetFormat format, const QString& fileName, int columns) {
  if (format == SpreadsheetFormat::Xlsx) return readXlsx(content, fileName, columns);
  if (format == SpreadsheetFormat::Ods) return readOds(content, fileName, columns);
  throw AppError(ErrorKind::Refused, fileName, "não é uma planilha .xlsx ou .ods");
}

QString sheetCellName(const QString& sheet, int row, int column) {
  bool plain = !sheet.isEmpty() && !sheet[0].isDigit();
  for (const QChar ch : sheet) plain = plain && (ch.isLetterOrNumber() || ch == '_' || ch == '.');
  QString s = sheet;
  if (!plain) s = "'" + QString(sheet).replace('\'', QLatin1String("''")) + "'";
  return s + "!" + columnLetters(column) + QString::number(row);
}

}  // namespace cotavia
