#include "sheets/price_table.h"

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>
#include <xlsxwriter.h>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <optional>

namespace cotavia {

namespace {

// True when a text would start a formula: its first character after any apostrophes.
bool startsFormula(const QByteArray& s) {
  qsizetype i = 0;
  while (i < s.size() && s[i] == '\'') ++i;
  return i < s.size() && QByteArray("=+-@\t\r").contains(s[i]);
}

// "1.234,5678" -> 1234.5678 (the double nearest the decimal text).
std::optional<double> amountValue(const QByteArray& text) {
  QByteArray s = text;
  s.replace('.', "");
  s.replace(',', '.');
  double v = 0;
  const auto [end, ec] = std::from_chars(s.constData(), s.constData() + s.size(), v);
  if (s.isEmpty() || ec != std::errc() || end != s.constData() + s.size()) return std::nullopt;
  return v;
}

QByteArray csvField(QByteArray text) {
  text = csvTextCell(text);
  if (!text.contains(';') && !text.contains('"') && !text.contains('\r') && !text.contains('\n')) return text;
  return '"' + QByteArray(text).replace('"', "\"\"") + '"';
}

QByteArray csvContent(const QList<PriceColumn>& columns, int count, const PriceRowAt& rowAt) {
  QList<QByteArray> head;
  for (const PriceColumn& c : columns) head << c.name;
  QByteArray out = head.join(';') + "\r\n";
  for (int i = 0; i < count; ++i) {
    const PriceRow r = rowAt(i);
    QList<QByteArray> fields;
    for (const QByteArray& f : r) fields << csvField(f);
    out += fields.join(';') + "\r\n";
  }
  return out;
}

// libxlsxwriter writes its numbers with printf ("%.16G"): under a comma-decimal locale such as
// pt_BR it would write <v>0,89</v> and width="8,71", which spreadsheet programs misread. While
// it runs, this thread uses the C locale (the process's locale is left alone).
class CLocale {
 public:
  CLocale() : c_(newlocale(LC_ALL_MASK, "C", locale_t(nullptr))), old_(c_ ? uselocale(c_) : locale_t(nullptr)) {
    if (!c_) throw AppError(ErrorKind::Io, QString(), "o idioma C das planilhas não pôde ser preparado");
  }
  ~CLocale() {
    uselocale(old_);
    freelocale(c_);
  }
  CLocale(const CLocale&) = delete;
  CLocale& operator=(const CLocale&) = delete;

 private:
  locale_t c_;
  locale_t old_;
};

// libxlsxwriter also prints its failures on standard error, in English; the user reads the
// program's own message instead, so standard error goes to /dev/null while it runs.
class QuietStderr {
 public:
  QuietStderr() {
    std::fflush(stderr);
    saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
    if (null >= 0) ::close(null);
  }
  ~QuietStderr() {
    std::fflush(stderr);
    if (saved_ < 0) return;
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_ = -1;
};

// The sheet is put together in a folder of its own in the system's temporary folder, so a
// failure there (a full /tmp) names that folder and TMPDIR, not the output's folder.
QByteArray xlsxContent(const QList<PriceColumn>& columns, int count, const PriceRowAt& rowAt) {
  errno = 0;
  QTemporaryDir tmp;
  if (!tmp.isValid()) throw tempFolderError(errno ? errno : EIO);
  const QByteArray file = QFile::encodeName(tmp.filePath(QStringLiteral("precos.xlsx")));
  QByteArray tmpdir = QFile::encodeName(tmp.path());
  const CLocale cLocale;
  const QuietStderr quiet;
  // Constant-memory mode: each row goes to a temporary file as it is written, so a proposal of
  // 160,000 items needs a few megabytes instead of hundreds. Texts are then written inline.
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = tmpdir.data();
  errno = 0;
  lxw_workbook* wb = workbook_new_opt(file.constData(), &options);
  if (!wb) throw tempFolderError(errno ? errno : ENOMEM);
  errno = 0;
  lxw_worksheet* ws = workbook_add_worksheet(wb, "Precos");
  if (!ws) {
    const int err = errno ? errno : EIO;
    workbook_close(wb);
    throw tempFolderError(err);
  }
  lxw_format* bold = workbook_add_format(wb);
  format_set_bold(bold);
  lxw_format* text = workbook_add_format(wb);
  format_set_num_format(text, "@");
  lxw_format* four = workbook_add_format(wb);
  format_set_num_format(four, "#,##0.0000");
  lxw_format* two = workbook_add_format(wb);
  format_set_num_format(two, "#,##0.00");
  // The number format of each amount column (4 or 2 decimals); the others hold texts.
  auto formatOf = [&](const PriceColumn& col) { return col.decimals == 4 ? four : col.decimals == 2 ? two : text; };
  const int columnCount = int(columns.size());
  for (int c = 0; c < columnCount; ++c) {
    worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), columns[c].width, formatOf(columns[c]));
    worksheet_write_string(ws, 0, lxw_col_t(c), columns[c].name, bold);
  }
  worksheet_freeze_panes(ws, 1, 0);
  lxw_row_t row = 1;
  for (int i = 0; i < count; ++i) {
    const PriceRow r = rowAt(i);
    for (int c = 0; c < columnCount && c < r.size(); ++c) {
      if (r[c].isEmpty()) continue;
      lxw_format* format = formatOf(columns[c]);
      const std::optional<double> v = columns[c].decimals >= 0 ? amountValue(r[c]) : std::nullopt;
      if (v)
        worksheet_write_number(ws, row, lxw_col_t(c), *v, format);
      else
        worksheet_write_string(ws, row, lxw_col_t(c), fromCp1252(r[c]).toUtf8().constData(), format);
    }
    ++row;
  }
  errno = 0;
  const lxw_error err = workbook_close(wb);
  const int systemErr = errno;
  if (err == LXW_ERROR_MEMORY_MALLOC_FAILED) throw std::bad_alloc();
  // Every file the library writes (its working files and the sheet) is in the temporary folder.
  if (err != LXW_NO_ERROR) throw tempFolderError(systemErr ? systemErr : EIO);
  return readWholeFile(QFile::decodeName(file));
}

}  // namespace

bool isPriceTableName(const QString& path) {
  const QString ext = QFileInfo(path).suffix().toLower();
  return ext == QLatin1String("xlsx") || ext == QLatin1String("csv");
}

void writePriceTable(const QList<PriceColumn>& columns, int count, const PriceRowAt& rowAt, const QString& path) {
  if (!isPriceTableName(path))
    throw AppError(ErrorKind::Refused, path,
                   "o nome do arquivo deve terminar em .xlsx (planilha) ou .csv (texto separado por ';')");
  atomicWrite(path, QFileInfo(path).suffix().toLower() == QLatin1String("csv") ? csvContent(columns, count, rowAt)
                                                                               : xlsxContent(columns, count, rowAt));
}

void writePriceTable(const QList<PriceColumn>& columns, const QList<PriceRow>& rows, const QString& path) {
  writePriceTable(
      columns, int(rows.size()), [&rows](int i) { return rows[i]; }, path);
}

QByteArray csvTextCell(const QByteArray& text) { return startsFormula(text) ? '\'' + text : text; }

QByteArray csvCellText(const QByteArray& cell) {
  return cell.startsWith('\'') && startsFormula(cell) ? cell.mid(1) : cell;
}

}  // namespace cotavia
