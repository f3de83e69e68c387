#include "app/core/price_export.h"

#include "platform/amounts.h"
#include "platform/codepage.h"
#include "platform/files.h"

#include <xlsxwriter.h>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <array>
#include <charconv>
#include <optional>

namespace cotavia {

namespace {

// The columns of a proposal's prices.
const QList<PriceColumn>& exportColumns() {
  static const QList<PriceColumn> columns = {
      {"item", -1, 8},   {"marca", -1, 22},     {"preco_unitario", 4, 15}, {"desconto", 2, 11}, {"acrescimo", 2, 11},
      {"codigo", -1, 9}, {"descricao", -1, 60}, {"quantidade", 4, 13},     {"unidade", -1, 8},  {"total", 2, 15}};
  return columns;
}

QList<PriceRow> exportRows(const Proposal& p) {
  QList<PriceRow> out;
  const int count = itemCount(p.rows);
  for (int r = 0; r < count; ++r) {
    const GridRow& g = p.rows[r];
    out.append({g[ColItem].trimmed(), g[ColBrand].trimmed(), g[ColUnitPrice].trimmed(), g[ColDiscount].trimmed(),
                g[ColSurcharge].trimmed(), g[ColCode].trimmed(), g[ColDescription].trimmed(), g[ColQuantity].trimmed(),
                g[ColUnit].trimmed(), g[ColTotal].trimmed()});
  }
  return out;
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

QByteArray csvField(const QByteArray& text) {
  if (!text.contains(';') && !text.contains('"') && !text.contains('\r') && !text.contains('\n')) return text;
  return '"' + QByteArray(text).replace('"', "\"\"") + '"';
}

QByteArray csvContent(const QList<PriceColumn>& columns, const QList<PriceRow>& rows) {
  QList<QByteArray> lines;
  QList<QByteArray> head;
  for (const PriceColumn& c : columns) head << c.name;
  lines << head.join(';');
  for (const PriceRow& r : rows) {
    QList<QByteArray> fields;
    for (const QByteArray& f : r) fields << csvField(f);
    lines << fields.join(';');
  }
  return lines.join("\r\n") + "\r\n";
}

QByteArray xlsxContent(const QList<PriceColumn>& columns, const QList<PriceRow>& rows, const QString& path) {
  QTemporaryDir tmp;
  if (!tmp.isValid()) throw AppError(ErrorKind::Io, path, "não foi possível criar a pasta temporária da planilha");
  const QByteArray file = QFile::encodeName(tmp.filePath(QStringLiteral("precos.xlsx")));
  QByteArray tmpdir = QFile::encodeName(tmp.path());
  lxw_workbook_options options = {};
  options.tmpdir = tmpdir.data();
  lxw_workbook* wb = workbook_new_opt(file.constData(), &options);
  if (!wb) throw AppError(ErrorKind::Io, path, "não foi possível criar a planilha");
  lxw_worksheet* ws = workbook_add_worksheet(wb, "Precos");
  lxw_format* bold = workbook_add_format(wb);
  format_set_bold(bold);
  lxw_format* text = workbook_add_format(wb);
  format_set_num_format(text, "@");
  lxw_format* four = workbook_add_format(wb);
  format_set_num_format(four, "#,##0.0000");
  lxw_format* two = workbook_add_format(wb);
  format_set_num_format(two, "#,##0.00");
  // The number format of each amount column; the others hold texts.
  const int columnCount = int(columns.size());
  for (int c = 0; c < columnCount; ++c) {
    const PriceColumn& col = columns[c];
    worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), col.width,
                         col.decimals == 4   ? four
                         : col.decimals == 2 ? two
                                             : text);
    worksheet_write_string(ws, 0, lxw_col_t(c), col.name, bold);
  }
  worksheet_freeze_panes(ws, 1, 0);
  lxw_row_t row = 1;
  for (const PriceRow& r : rows) {
    for (int c = 0; c < columnCount && c < r.size(); ++c) {
      if (r[c].isEmpty()) continue;
      const int decimals = columns[c].decimals;
      lxw_format* format = decimals == 4 ? four : decimals == 2 ? two : text;
      const std::optional<double> v = decimals >= 0 ? amountValue(r[c]) : std::nullopt;
      if (v)
        worksheet_write_number(ws, row, lxw_col_t(c), *v, format);
      else
        worksheet_write_string(ws, row, lxw_col_t(c), fromCp1252(r[c]).toUtf8().constData(), format);
    }
    ++row;
  }
  const lxw_error err = workbook_close(wb);
  if (err != LXW_NO_ERROR)
    throw AppError(ErrorKind::Io, path, std::string("a planilha não pôde ser escrita: ") + lxw_strerror(err));
  return readWholeFile(QFile::decodeName(file));
}

}  // namespace

void writePriceTable(const QList<PriceColumn>& columns, const QList<PriceRow>& rows, const QString& path) {
  const QString ext = QFileInfo(path).suffix().toLower();
  if (ext != QLatin1String("xlsx") && ext != QLatin1String("csv"))
    throw AppError(ErrorKind::Refused, path,
                   "o nome do arquivo deve terminar em .xlsx (planilha) ou .csv (texto separado por ';')");
  atomicWrite(path, ext == QLatin1String("csv") ? csvContent(columns, rows) : xlsxContent(columns, rows, path));
}

int writePriceExport(const Proposal& p, const QString& path) {
  const QList<PriceRow> rows = exportRows(p);
  writePriceTable(exportColumns(), rows, path);
  return int(rows.size());
}

Proposal loadSavedProposal(const SaveTarget& target) {
  const QString response = responsePath(target);
  if (!proposalSaved(target))
    throw AppError(ErrorKind::NotSaved, response,
                   "a proposta " + target.inputFileName.toStdString() +
                       " ainda não foi gravada, por isso não há preços a exportar: pressione \"Gravar\" (ou use "
                       "cotavia fill) e exporte de novo");
  return loadProposal(response);
}

int exportPrices(const SaveTarget& target, const QString& path) {
  return writePriceExport(loadSavedProposal(target), path);
}

}  // namespace cotavia
