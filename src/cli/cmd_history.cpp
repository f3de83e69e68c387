// cotavia history: what the price memory holds (all of it, or a search), listed or written as a
// sheet, or printed as a PDF price table; or a folder of saved proposals recorded into it.
#include "app/core/history_report.h"
#include "app/core/price_memory.h"
#include "cli/cli.h"
#include "platform/amounts.h"
#include "platform/codepage.h"
#include "sheets/price_table.h"

#include <cstdio>

namespace cotavia::cli {

int cmdHistory(const Args& a) {
  const auto import = a.get("import"), out = a.get("out"), pdf = a.get("pdf");
  if (import && (a.get("search") || a.get("code") || out || pdf))
    throw UsageError{"--import não se combina com --search, --code, --out ou --pdf"};
  if (pdf && pdf->isEmpty()) throw UsageError{"--pdf recebe o nome do arquivo PDF a gravar"};
  if (out) checkTableName(*out);
  PriceBook book;
  book.open(priceBookLocation());

  if (import) {
    const FolderImport done = importFolder(book, *import);
    for (const QString& refused : done.refused)
      std::fprintf(stderr, "aviso: arquivo não importado: %s\n", refused.toLocal8Bit().constData());
    std::printf("%d proposta(s) gravada(s) e %d preço(s) guardado(s) no histórico de preços\n", done.files,
                done.entries);
    return 0;
  }

  HistoryQuery query;
  query.search = a.get("search").value_or(QString());
  query.code = a.get("code").value_or(QString());
  const QList<PriceEntry> entries = book.history(query);
  if (pdf) {
    // The printed price table, grouped by product; nothing found is an error (no empty PDF).
    writePriceHistoryPdf(entries, query, *pdf);
    if (a.verbose())
      std::fprintf(stderr, "%d preço(s) impresso(s) em %s\n", int(entries.size()), pdf->toLocal8Bit().constData());
    if (!out) return 0;
  }
  if (out) {
    static const QList<PriceColumn> columns = {{"descricao", -1, 60}, {"codigo", -1, 9},   {"unidade", -1, 8},
                                               {"data", -1, 11},      {"origem", -1, 50},  {"item", -1, 8},
                                               {"quantidade", 4, 13}, {"marca", -1, 22},   {"preco_unitario", 4, 15},
                                               {"desconto", 2, 11},   {"acrescimo", 2, 11}};
    QList<PriceRow> rows;
    for (const PriceEntry& e : entries)
      rows.append({toCp1252(e.item.description), toCp1252(e.item.code), toCp1252(e.item.unit),
                   toCp1252(e.source.savedAt.toString(QStringLiteral("dd/MM/yyyy"))), toCp1252(sourceText(e.source)),
                   toCp1252(e.item.item), formatAmount(e.item.quantity, 4, 14), toCp1252(e.item.brand),
                   formatAmount(e.item.unitPrice, 4, 12), formatAmount(e.item.discount, 2, 12),
                   formatAmount(e.item.surcharge, 2, 12)});
    writePriceTable(columns, rows, *out);
    if (a.verbose()) std::printf("%d preço(s) gravado(s) em %s\n", int(entries.size()), out->toLocal8Bit().constData());
    return 0;
  }
  // One line per price, grouped by product as the book orders them.
  for (const PriceEntry& e : entries) {
    const QString line =
        QStringLiteral("%1  %2  %3  %4  %5  %6  %7\n")
            .arg(e.source.savedAt.toString(QStringLiteral("dd/MM/yyyy")), e.item.code, e.item.description, e.item.unit,
                 fromCp1252(formatAmount(e.item.unitPrice, 4, 12)), e.item.brand, sourceText(e.source));
    std::fputs(line.toLocal8Bit().constData(), stdout);
  }
  if (a.verbose()) std::printf("%d preço(s)\n", int(entries.size()));
  return 0;
}

}  // namespace cotavia::cli
