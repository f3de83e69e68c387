#include "sheets/sheet_parts.h"

#include <zip.h>

#include <charconv>
#include <cmath>

namespace cotavia::sheets {

namespace {

// Elements one inside another: a sheet nests about ten (cell, paragraph, spans); deeper ones are
// refused at once, as reading millions of levels would take minutes and gigabytes.
constexpr int kXmlDepthCap = 64;

// 1048576 -> "1.048.576"
std::string thousands(long long n) {
  const std::string digits = std::to_string(n);
  std::string s;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) s += '.';
    s += digits[i];
  }
  return s;
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

}  // namespace

std::string str(const QString& s) { return s.toStdString(); }

AppError damaged(const QString& fileName, const std::string& what) {
  return AppError(ErrorKind::Damaged, fileName,
                  "a planilha está danificada (" + what + "); abra-a no programa de planilhas e salve-a de novo");
}

AppError encrypted(const QString& fileName) {
  return AppError(ErrorKind::Refused, fileName,
                  "a planilha está protegida por senha; no programa de planilhas, salve-a sem senha e importe de novo");
}

// ---- the zip container --------------------------------------------------------------------

Zip::Zip(const QByteArray& content, const QString& fileName) : content_(content), fileName_(fileName) {
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

Zip::~Zip() { zip_discard(zip_); }

bool Zip::has(const QString& name) const { return locate(name) >= 0; }

Zip::Part::Part(const Zip& zip, const QString& name) : zip_(zip), name_(name) {
  const zip_int64_t index = zip.locate(name);
  if (index < 0) throw damaged(zip.fileName_, "falta a parte " + str(name));
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(zip.zip_, zip_uint64_t(index), 0, &st) != 0)
    throw damaged(zip.fileName_, "a parte " + str(name) + " não pode ser lida");
  if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) throw encrypted(zip.fileName_);
  if ((st.valid & ZIP_STAT_SIZE) && st.size > zip_uint64_t(kSpreadsheetPartCap)) throw zip.tooLarge(name);
  f_ = zip_fopen_index(zip.zip_, zip_uint64_t(index), 0);
  if (!f_) {
    const int code = zip_error_code_zip(zip_get_error(zip.zip_));
    if (code == ZIP_ER_NOPASSWD || code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_ENCRNOTSUPP)
      throw encrypted(zip.fileName_);
    throw damaged(zip.fileName_, "a parte " + str(name) + ": " + zip_strerror(zip.zip_));
  }
}

Zip::Part::~Part() { zip_fclose(f_); }

QByteArray Zip::Part::next() {
  QByteArray out(65536, Qt::Uninitialized);
  const zip_int64_t n = zip_fread(f_, out.data(), zip_uint64_t(out.size()));
  if (n < 0) throw damaged(zip_.fileName_, "a parte " + str(name_) + ": " + zip_file_strerror(f_));
  total_ += n;
  if (total_ > kSpreadsheetPartCap) throw zip_.tooLarge(name_);
  out.resize(qsizetype(n));
  return out;
}

QByteArray Zip::read(const QString& name) const {
  Part part(*this, name);
  QByteArray out;
  for (QByteArray piece = part.next(); !piece.isEmpty(); piece = part.next()) out += piece;
  return out;
}

qint64 Zip::locate(const QString& name) const {
  return zip_name_locate(zip_, name.toUtf8().constData(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
}

AppError Zip::tooLarge(const QString& name) const {
  return AppError(ErrorKind::Refused, fileName_,
                  "a parte " + str(name) + " da planilha passa de " +
                      std::to_string(kSpreadsheetPartCap / (1024 * 1024)) +
                      " MB descompactada, muito mais do que uma lista de preços ocupa; confira se é o arquivo certo");
}

// ---- XML ----------------------------------------------------------------------------------

Xml::Xml(const Zip& zip, const QString& fileName, const QString& part)
    : source_(std::make_unique<Zip::Part>(zip, part)), fileName_(fileName), part_(part) {}

bool Xml::next() {
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

QString Xml::attrLocal(const char* local) const {
  for (const QXmlStreamAttribute& a : r.attributes())
    if (a.name() == QLatin1String(local) && a.namespaceUri().isEmpty()) return a.value().toString();
  return {};
}

void Xml::skip() {
  int depth = 1;
  while (depth > 0 && next()) {
    if (start()) ++depth;
    if (end()) --depth;
  }
}

QString Xml::text() {
  QString out;
  int depth = 1;
  while (depth > 0 && next()) {
    if (start()) ++depth;
    if (end()) --depth;
    if (r.isCharacters() && out.size() < kCellTextCap) out += r.text().left(kCellTextCap - out.size());
  }
  return out;
}

AppError Xml::fault(const QString& why) const {
  return damaged(fileName_, "parte " + str(part_) + ", linha " + std::to_string(r.lineNumber()) + ": " + str(why));
}

// ---- rows ---------------------------------------------------------------------------------

std::optional<double> parseNumber(const QString& text) {
  QByteArray s = text.trimmed().toLatin1();
  if (s.startsWith('+')) s.remove(0, 1);
  if (s.isEmpty()) return std::nullopt;
  double v = 0;
  const auto [end, ec] = std::from_chars(s.constData(), s.constData() + s.size(), v, std::chars_format::general);
  if (ec != std::errc() || end != s.constData() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

bool isFilled(const SheetCell& c) { return c.kind != SheetCell::Kind::Empty; }

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

}  // namespace cotavia::sheets
