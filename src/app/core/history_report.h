#pragma once
// The printed price table ("Imprimir histórico", `cotavia history --pdf`): the price book's
// entries, or a search of them, on the banded report engine, grouped by product. A4 landscape; a
// page header with the title and the search; per product a group header (description, code and
// unit), one detail line per price recorded (date, municipality, proposal, item, brand, quantity,
// unit price, discount, surcharge) and a group footer with the lowest, highest and latest unit
// price; a summary line with the counts.
#include "pricebook/price_book.h"
#include "report/engine/rp_report.h"

#include <QList>
#include <QString>

namespace cotavia {

class PriceHistoryReport {
 public:
  // `entries` as PriceBook::history gives them: a product's entries together, oldest first.
  PriceHistoryReport(QList<PriceEntry> entries, const HistoryQuery& query);
  ~PriceHistoryReport();
  PriceHistoryReport(const PriceHistoryReport&) = delete;
  PriceHistoryReport& operator=(const PriceHistoryReport&) = delete;

  TRpReport RpReport;

  // "Busca: "caneta" - Código: 123" or "Todos os preços registrados".
  static QString criteriaText(const HistoryQuery& query);

  // Bands.
  TRpBand* PageHeader = nullptr;
  TRpGroup* Product = nullptr;  // group header; its footer holds the figures
  TRpBand* Detail = nullptr;
  TRpBand* Summary = nullptr;

  // Group header.
  TRpLabel *RpLbl_Descricao, *RpLbl_CodigoUnidade;
  // Detail.
  TRpLabel *RpLbl_Data, *RpLbl_Municipio, *RpLbl_Proposta, *RpLbl_Item, *RpLbl_Marca, *RpLbl_Quant, *RpLbl_PrUnit,
      *RpLbl_Desconto, *RpLbl_Acrescimo;
  // Group footer: "3 preços" and "Menor: 0,8500   Maior: 1,2000   Último: 0,8900 (12/03/2026)".
  TRpLabel *RpLbl_Contagem, *RpLbl_Figuras;
  // Summary.
  TRpLabel* RpLbl_Totais;

 private:
  const PriceEntry& current() const;
  void startProduct();
  void detailBeforePrint();
  void footerBeforePrint();

  QList<PriceEntry> entries_;
  TRpListDataSet dataSet_;  // one record per entry: its index
  // The figures of the product printing now.
  int count_ = 0;
  long double lowest_ = 0, highest_ = 0;
  const PriceEntry* latest_ = nullptr;
  int products_ = 0;
};

// Writes the price table of `entries` to the PDF file `pdfFile` (through the one save path).
// Throws AppError: nothing to print (no entry: a refusal saying so), the report or the file failed.
void writePriceHistoryPdf(const QList<PriceEntry>& entries, const HistoryQuery& query, const QString& pdfFile);

// The refusal when a search of the book found nothing.
AppError emptyHistoryError(const HistoryQuery& query);

}  // namespace cotavia
