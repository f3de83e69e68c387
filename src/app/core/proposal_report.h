#pragma once
// TTCotavia3: the graphic printout of a proposal on the banded report engine. Letter paper in
// landscape; a page header with the bidding body, the supplier and the bid's header texts, one
// detail line per item record of the proposal file (read through a text table filtered to the
// "I" records), and a summary line with the grand total.
#include "report/rp_report.h"
#include "report/text_table.h"

#include <QByteArray>
#include <QString>

namespace cotavia {

struct Proposal;

// The editor's header fields as shown (Windows-1252), the page header's texts. The editor fills
// one and it travels down the print path to the report.
struct ProposalReportHeader {
  QByteArray orgao;       // Edit_Orgao
  QByteArray endereco;    // Edit_Endereco
  QByteArray fornecedor;  // Edit_Fornecedor
  QByteArray modalidade;  // Edit_Modalidade
  QByteArray objeto;      // Edit_Objeto
  QByteArray entrega;     // Edit_Entrega
  QByteArray abertura;    // EditAbertura
};

// The header fields of a proposal's six header records, with the supplier's name as given.
ProposalReportHeader reportHeader(const Proposal& p, const QByteArray& fornecedor);

// The header fields as the editor shows them right after opening the proposal: the six header
// records of FOLDER/PROPOSALFILE and the supplier's name from FOLDER/FORNEC.KSD (empty when the
// file is missing). Throws AppError naming the file when one cannot be read.
ProposalReportHeader editorHeaderFromFiles(const QString& folder, const QString& proposalFile);

// The report's pages are Letter landscape, and need a printer that takes that paper: without one
// (no printer installed, or none asked for on the command line) the engine would lay them out on
// A4 portrait and cut the page. A PDF-file printer stands in then, so the pages are the real ones.
// When `needed`, registers the PDF printer `name` writing `file` (empty: asked where at each
// print) for the lifetime of the object.
class PdfStandIn {
 public:
  PdfStandIn(bool needed, const QString& name, const QString& file);
  ~PdfStandIn();
  PdfStandIn(const PdfStandIn&) = delete;
  PdfStandIn& operator=(const PdfStandIn&) = delete;
  bool active() const { return active_; }

 private:
  bool active_;
};

class TTCotavia3 {
 public:
  TTCotavia3();
  ~TTCotavia3();
  TTCotavia3(const TTCotavia3&) = delete;
  TTCotavia3& operator=(const TTCotavia3&) = delete;

  // The fields of the open editor that the page header shows (read at every page header).
  ProposalReportHeader Editor;

  // The report and its text table (the print dispatch sets the folder and file name and opens
  // the table before asking for the preview).
  TRpReport RpReport;
  TextTable tbl_retorno;

  // Grand total of the items printed in the current generation (reset before each one).
  long double TotalGeral = 0;
  // The grand total as RpL_TotalGeral shows it ("1.234,56"; "0,00" for a proposal without items,
  // whose report has no summary band).
  QByteArray totalGeralText() const;

  // Bands.
  TRpBand* TRpBand1 = nullptr;  // page header
  TRpBand* RpBand1 = nullptr;   // detail
  TRpBand* RpBand2 = nullptr;   // summary

  // Page header controls.
  TRpLabel *RpLabel3, *RpLabel12;
  TRpSysData *RpSysData2, *RpSysData1, *RpSysData3;
  TRpLabel *RpLbl_Orgao, *RpLbl_Endereco, *RpLbl_Fornecedor, *RpLbl_Modalidade, *RpLbl_Objeto, *RpLbl_Entrega,
      *RpLbl_Abertura;
  TRpShape* RpShape2;
  TRpLabel *RpLabel4, *RpLabel27, *RpLabel1, *RpLabel2, *RpLabel9, *RpLabel8, *RpLabel6, *RpLabel5, *RpLabel11,
      *RpLabel13;
  TRpShape* RpShape4;
  // Detail controls.
  TRpLabel *RpLbl_Item, *RpLbl_Codigo, *RpLbl_Nome, *RpLbl_Quant, *RpLbl_Unidade, *RpLbl_PrUnit, *RpLbl_Desconto,
      *RpLbl_Acrescimo, *RpLbl_Total, *RpLbl_Marca;
  // Summary controls.
  TRpShape* RpShape1;
  TRpLabel *RpLabel33, *RpL_TotalGeral;
  TRpShape* RpShape6;

  // Handlers called by the report engine and the text table.
  void tbl_retornoFilterRecord(TextTable& dataSet, bool& accept);
  void RpReportBeforePrint(TRpReport& sender, bool& printReport);
  void TRpBand1BeforePrint(TRpCustomBand& sender, bool& printBand);
  void RpBand1BeforePrint(TRpCustomBand& sender, bool& printBand);
  void RpBand2BeforePrint(TRpCustomBand& sender, bool& printBand);

  // Points the text table at FOLDER/FILE and opens it (closing it first). Throws AppError naming
  // the file when it cannot be opened; the report does not run then.
  void OpenTable(const QString& folder, const QString& fileName);

 private:
  TRpTextTableDataSet dataSet_;
};

}  // namespace cotavia
