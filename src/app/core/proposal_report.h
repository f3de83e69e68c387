#pragma once
// TTCotavia3: the graphic printout of a proposal on the banded report engine. Landscape, on the
// chosen printer's paper, laid out within the area A4 and Letter have in common; a page header
// with the bidding body, the supplier (name, CNPJ/CPF, address and city) and the bid's header
// texts, one detail band per item record of the proposal file (read through a text table
// filtered to the "I" records; a description or brand too long for one line stretches its band),
// and a summary line with the grand total.
#include "app/core/proposal_ref.h"
#include "report/engine/rp_report.h"
#include "report/engine/text_table.h"

#include <QByteArray>
#include <QString>

namespace cotavia {

struct Proposal;

// The editor's header fields as shown (Windows-1252), the page header's texts. The editor fills
// one and it travels down the print path to the report.
struct ProposalReportHeader {
  QByteArray body;         // Edit_Orgao
  QByteArray bodyAddress;  // Edit_Endereco
  QByteArray supplier;     // Edit_Fornecedor
  QByteArray modality;     // Edit_Modalidade
  QByteArray object;       // Edit_Objeto
  QByteArray delivery;     // Edit_Entrega
  QByteArray opening;      // EditAbertura
  // The supplier as saved: CNPJ/CPF as shown (identityDisplay), address and city (FORNEC.KSD).
  QByteArray identity;
  QByteArray supplierAddress;
  QByteArray supplierCity;
};

// The page header of a printed proposal file: the six header records of FOLDER/PRINTEDFILE, the
// supplier's name, address and city from FOLDER/FORNEC.KSD (empty when the file is missing) and
// the identity as shown. Throws AppError naming the file when one cannot be read.
ProposalReportHeader reportHeaderFromFiles(const QString& folder, const QString& printedFile,
                                           const QByteArray& identity);

// The report's pages are landscape, and need a printer that takes that: without one (no printer
// installed, or none asked for on the command line) the engine would lay them out on A4 portrait
// and cut the page. A PDF-file printer (A4) stands in then, so the pages are the real ones.
// Gives the report the PDF printer `name` writing `file` and chooses it.
void layOutForPdf(TRpReport& report, const QString& name, const QString& file);

class TTCotavia3 {
 public:
  TTCotavia3();
  ~TTCotavia3();
  TTCotavia3(const TTCotavia3&) = delete;
  TTCotavia3& operator=(const TTCotavia3&) = delete;

  // The texts the page header shows (read at every page header).
  ProposalReportHeader Editor;
  // The proposal was never saved: its items print without amounts (and add nothing to the total).
  bool Unpriced = false;

  // The report and its text table (the print dispatch sets the folder and file name and opens
  // the table before asking for the preview).
  TRpReport RpReport;
  TextTable tbl_retorno;

  // Grand total of the items printed in the current generation (reset before each one).
  long double TotalGeral = 0;
  // The grand total as RpL_TotalGeral shows it ("1.234,56"; "0,00" for a proposal without items,
  // whose report has no summary band).
  QByteArray grandTotalText() const;

  // Bands.
  TRpBand* TRpBand1 = nullptr;  // page header
  TRpBand* RpBand1 = nullptr;   // detail
  TRpBand* RpBand2 = nullptr;   // summary

  // Page header controls.
  TRpLabel *RpLabel3, *RpLabel12;
  TRpSysData *RpSysData2, *RpSysData1, *RpSysData3;
  TRpLabel *RpLbl_Orgao, *RpLbl_Endereco, *RpLbl_Fornecedor, *RpLbl_Modalidade, *RpLbl_Objeto, *RpLbl_Entrega,
      *RpLbl_Abertura;
  TRpLabel *RpLbl_Identidade, *RpLbl_ForEndereco;  // the supplier's CNPJ/CPF; address and city
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
  void RpReportStartPage(TRpReport& sender);

  // Points the text table at FOLDER/FILE and opens it (closing it first). Throws AppError naming
  // the file when it cannot be opened; the report does not run then.
  void OpenTable(const QString& folder, const QString& fileName);
  // The printout of a proposal, as the print button and the command line make it: the file that
  // printedProposal() names (the response file; the input file without amounts when never
  // saved), the page header from it and from the supplier's files, and the document's title
  // ("Proposta P0001 - <licitante>") and author (the supplier). Opens the table as OpenTable.
  void OpenProposal(const ProposalRef& ref);

 private:
  // Before an item's band: a new page for it when its stretched lines would not fit this one.
  void keepItemOnOnePage();
  TRpTextTableDataSet dataSet_;
};

}  // namespace cotavia
