#include "app/core/proposal_report.h"

#include "app/core/proposal_file.h"
#include "app/core/save.h"
#include "app/core/supplier.h"
#include "platform/amounts.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "report/output/rp_export.h"

#include <QFileInfo>
#include <cmath>

namespace cotavia {

namespace {

constexpr QRgb kRed = 0xFF0000;
constexpr QRgb kBlue = 0x0000FF;
// Summary band: where "Total:" stands (0.1 mm), and the least gap between it and the amount.
constexpr double kTotalLabelLeft = 2133;
constexpr double kTotalLabelGap = 10;
// The area every page is laid out in (0.1 mm): Letter landscape is the narrower paper, A4
// landscape the lower, so a page prints whole on either, whichever the printer is set to.
constexpr double kLayoutWidth = 2794;
constexpr double kLayoutLength = 2100;
constexpr double kTopMargin = 100, kBottomMargin = 100;

struct LabelSpec {
  double left, top, width, height;
  int points;
  bool bold = false;
  TRpAlignment alignment = taLeftJustify;
  bool autoSize = false;
  QColor color = Qt::black;
  bool italic = false;
};

template <class T>
T* place(TRpBand* band, const char* name, const LabelSpec& s) {
  T* c = band->Add<T>();
  c->Name = QString::fromLatin1(name);
  TRpFont f;
  f.Name = QStringLiteral("Arial");
  f.Size = s.points;
  f.Bold = s.bold;
  f.Italic = s.italic;
  f.Color = s.color;
  c->SetFont(f);
  c->Color = Qt::white;
  c->Transparent = false;
  c->SetWordWrap(true);
  c->AutoStretch = false;
  c->SetAutoSize(s.autoSize);
  c->SetAlignment(s.alignment);
  c->SetBounds(s.left, s.top, s.width, s.height);
  return c;
}

TRpLabel* label(TRpBand* band, const char* name, const LabelSpec& s, const QString& caption) {
  TRpLabel* l = place<TRpLabel>(band, name, s);
  l->SetCaption(caption);
  return l;
}

TRpSysData* sysData(TRpBand* band, const char* name, const LabelSpec& s, TRpSysDataType kind) {
  TRpSysData* d = place<TRpSysData>(band, name, s);
  d->SetData(kind);
  return d;
}

TRpShape* hLine(TRpBand* band, const char* name, double left, double top, double width, double height) {
  TRpShape* s = band->Add<TRpShape>();
  s->Name = QString::fromLatin1(name);
  s->Shape = rpsHorLine;
  s->SetBounds(left, top, width, height);
  return s;
}

TRpBand* band(TRpReport& r, TRpBandType type, const char* name, double height) {
  TRpBand* b = r.AddBand(type);
  b->Name = QString::fromLatin1(name);
  b->Color = Qt::white;
  b->AlignToBottom = false;
  b->ForceNewPage = false;
  b->ForceNewColumn = false;
  b->Size().SetHeight(height);
  b->Size().SetWidth(269.3);
  return b;
}

// A money field of the item record: empty when blank, else value / divisor formatted.
QByteArray amountField(const QByteArray& field, long double divisor, int decimals, int width, long double* value) {
  if (trimRight(field).isEmpty()) return QByteArray();
  const long double v = strToFloat(field) / divisor;
  if (value) *value = v;
  return padLeft(formatAmount(v, decimals, 12), width);
}

}  // namespace

ProposalReportHeader reportHeaderFromFiles(const QString& folder, const QString& printedFile,
                                           const QByteArray& identity) {
  const Proposal p = loadProposalHeader(joinPath(folder, printedFile));
  const SupplierData s = readSupplierData(folder);
  ProposalReportHeader h;
  h.body = p.header[HeaderOrgao];
  h.bodyAddress = p.header[HeaderEndereco];
  h.supplier = s.name;
  h.modality = p.header[HeaderModalidade];
  h.object = p.header[HeaderObjeto];
  h.delivery = p.header[HeaderEntrega];
  h.opening = p.header[HeaderAbertura];
  h.identity = identityDisplay(identity);
  h.supplierAddress = s.address;
  h.supplierCity = s.city;
  return h;
}

void layOutForPdf(TRpReport& report, const QString& name, const QString& file) {
  report.PrinterSettings.PdfPrinter = TRpPdfPrinter{name, file, QString()};
  report.PrinterSettings.PrinterIndex = TPrinterSettings::PrinterNames(report.PrinterSettings.PdfPrinter).indexOf(name);
}

TTCotavia3::TTCotavia3() : dataSet_(tbl_retorno) {
  TRpReport& r = RpReport;
  r.Units = TRpUnits::MM;
  r.Zoom = 100;
  // The chosen printer's own paper (A4 on most printers here, Letter on some), in landscape.
  r.Page().SetPaperSize(TRpPaperSize::Default);
  r.Page().SetOrientation(poLandscape);
  r.Page().SetColumns(1);
  // Native units (0.1 mm): the layout area, margins top/bottom 10 mm, left/right 5 mm (the
  // bottom one grows on a longer paper, see RpReportStartPage).
  r.Page().Width = kLayoutWidth;
  r.Page().Length = kLayoutLength;
  r.Page().TopMargin = kTopMargin;
  r.Page().BottomMargin = kBottomMargin;
  r.Page().LeftMargin = 50;
  r.Page().RightMargin = 50;
  r.Page().ColumnSpace = 0;
  r.Options = TRpReportOption::FirstPageHeader | TRpReportOption::LastPageFooter;
  r.PrintIfEmpty = false;
  r.SnapToGrid = true;
  r.PrinterSettings.Copies = 1;
  r.PrinterSettings.Duplex = false;
  r.PrinterSettings.FirstPage = 0;
  r.PrinterSettings.LastPage = 0;
  r.PrinterSettings.OutputBin = TRpBin::First;
  r.Font = TRpFont();  // Arial, 10 points
  r.DataSet = &dataSet_;
  r.BeforePrint = [this](TRpReport& s, bool& p) { RpReportBeforePrint(s, p); };
  r.OnStartPage = [this](TRpReport& s) { RpReportStartPage(s); };
  r.WritePdf = [](TRpPrinter& pages, const QString& file) { rpExportPdf(pages, file); };

  tbl_retorno.setOnFilterRecord([this](TextTable& t, bool& accept) { tbl_retornoFilterRecord(t, accept); });
  tbl_retorno.setFiltered(true);

  // Page header.
  TRpBand1 = band(r, rbPageHeader, "TRpBand1", 58.7);
  TRpBand1->BeforePrint = [this](TRpCustomBand& s, bool& p) { TRpBand1BeforePrint(s, p); };
  TRpBand* h = TRpBand1;
  RpLabel3 = label(h, "RpLabel3", {69.3, 1.3, 135.5, 6.6, 16, true, taCenter},
                   QStringLiteral("Licitação - Proposta Eletrônica"));
  RpLabel12 = label(h, "RpLabel12", {252.4, 0.3, 8.7, 4.0, 8, false, taLeftJustify, true}, QStringLiteral("Página"));
  RpSysData2 = sysData(h, "RpSysData2", {261.4, 0.3, 6.3, 4.0, 8, false, taRightJustify}, rpsPageNumber);
  RpSysData1 = sysData(h, "RpSysData1", {239.4, 4.5, 19.8, 4.5, 8, false, taRightJustify}, rpsDate);
  RpSysData3 = sysData(h, "RpSysData3", {259.6, 4.5, 9.0, 4.0, 8, false, taRightJustify}, rpsTime);
  RpLbl_Orgao = label(h, "RpLbl_Orgao", {1.1, 9.5, 267.2, 6.6, 16, true, taCenter, false, QColor(kRed)}, "RpLbl_Orgao");
  RpLbl_Endereco = label(h, "RpLbl_Endereco", {1.1, 15.6, 267.5, 6.1, 12, false, taCenter, false, Qt::black, true},
                         "RpLbl_Endereco");
  // The supplier: name, with the CNPJ/CPF at the right end of its line, then address and city.
  // The bid's texts under them sit closer together so the item columns stay where they are.
  RpLbl_Fornecedor = label(h, "RpLbl_Fornecedor",
                           {4.5, 22.2, 197.5, 6.1, 14, true, taLeftJustify, false, QColor(kBlue)}, "RpLbl_Fornecedor");
  RpLbl_Identidade =
      label(h, "RpLbl_Identidade", {203.5, 22.9, 64.5, 5.3, 12, true, taRightJustify, false, QColor(kBlue)},
            "RpLbl_Identidade");
  RpLbl_ForEndereco =
      label(h, "RpLbl_ForEndereco", {4.5, 28.3, 258.2, 4.0, 9, false, taLeftJustify, false, QColor(kBlue)},
            "RpLbl_ForEndereco");
  RpLbl_Modalidade = label(h, "RpLbl_Modalidade", {4.2, 32.4, 258.8, 4.3, 10}, "RpLbl_Modalidade");
  RpLbl_Objeto = label(h, "RpLbl_Objeto", {4.2, 36.7, 258.8, 4.3, 10}, "RpLbl_Objeto");
  RpLbl_Entrega = label(h, "RpLbl_Entrega", {4.2, 41.0, 258.8, 4.3, 10}, "RpLbl_Entrega");
  RpLbl_Abertura = label(h, "RpLbl_Abertura", {4.2, 45.3, 258.8, 4.3, 10}, "RpLbl_Abertura");
  RpShape2 = hLine(h, "RpShape2", 0.3, 50.0, 268.3, 1.9);
  const LabelSpec title{0, 51.6, 0, 4.0, 8, true, taLeftJustify, true};
  auto at = [&](double left, double width, bool autoSize = true, TRpAlignment a = taLeftJustify, double height = 4.0) {
    LabelSpec s = title;
    s.left = left;
    s.width = width;
    s.autoSize = autoSize;
    s.alignment = a;
    s.height = height;
    return s;
  };
  RpLabel4 = label(h, "RpLabel4", at(1.1, 6.9), QStringLiteral("Item"));
  RpLabel27 = label(h, "RpLabel27", at(8.2, 10.6, false, taLeftJustify, 4.5), QStringLiteral("Código"));
  RpLabel1 = label(h, "RpLabel1", at(19.6, 14.6), QStringLiteral("Descrição"));
  RpLabel2 = label(h, "RpLabel2", at(134.1, 16.7), QStringLiteral("Quantidade"));
  RpLabel9 = label(h, "RpLabel9", at(152.1, 4.5, false, taCenter), QStringLiteral("Un."));
  RpLabel8 = label(h, "RpLabel8", at(165.9, 11.4), QStringLiteral("Pr. Unit."));
  RpLabel6 = label(h, "RpLabel6", at(184.9, 14.0), QStringLiteral("Desconto"));
  RpLabel5 = label(h, "RpLabel5", at(205.3, 16.1), QStringLiteral("Acréscimo"));
  RpLabel11 = label(h, "RpLabel11", at(235.2, 7.4), QStringLiteral("Total"));
  RpLabel13 = label(h, "RpLabel13", at(245.3, 9.0), QStringLiteral("Marca"));
  RpShape4 = hLine(h, "RpShape4", 0.5, 56.1, 268.3, 0.8);

  // Detail: 8-point labels, top 0.5 mm, height 4.0 mm. A text longer than its label (a
  // description, a brand) wraps and stretches the band: every word of it prints.
  RpBand1 = band(r, rbDetail, "RpBand1", 5.0);
  RpBand1->BeforePrint = [this](TRpCustomBand& s, bool& p) { RpBand1BeforePrint(s, p); };
  auto cell = [&](const char* name, double left, double width, TRpAlignment a, bool bold = false,
                  bool autoSize = false) {
    TRpLabel* l = label(RpBand1, name, {left, 0.5, width, 4.0, 8, bold, a, autoSize}, QString::fromLatin1(name));
    l->AutoStretch = true;
    return l;
  };
  RpLbl_Item = cell("RpLbl_Item", 0.8, 6.9, taCenter);
  RpLbl_Codigo = cell("RpLbl_Codigo", 7.9, 10.6, taCenter);
  RpLbl_Nome = cell("RpLbl_Nome", 19.1, 107.2, taLeftJustify);
  // Amounts size themselves to their text: the right edge stays where the column ends and a
  // wide amount grows to the left instead of losing its last digits.
  RpLbl_Quant = cell("RpLbl_Quant", 127.0, 24.3, taRightJustify, false, true);
  RpLbl_Unidade = cell("RpLbl_Unidade", 152.1, 4.0, taLeftJustify, false, true);
  RpLbl_PrUnit = cell("RpLbl_PrUnit", 157.2, 21.2, taRightJustify, false, true);
  RpLbl_Desconto = cell("RpLbl_Desconto", 178.9, 21.2, taRightJustify, false, true);
  RpLbl_Acrescimo = cell("RpLbl_Acrescimo", 200.6, 21.2, taRightJustify, false, true);
  RpLbl_Total = cell("RpLbl_Total", 222.2, 21.2, taRightJustify, true, true);
  RpLbl_Marca = cell("RpLbl_Marca", 245.0, 23.8, taLeftJustify);

  // Summary.
  RpBand2 = band(r, rbSummary, "RpBand2", 6.3);
  RpBand2->BeforePrint = [this](TRpCustomBand& s, bool& p) { RpBand2BeforePrint(s, p); };
  RpShape1 = hLine(RpBand2, "RpShape1", 0.3, 0.3, 268.3, 0.3);
  RpLabel33 =
      label(RpBand2, "RpLabel33", {213.3, 0.8, 8.2, 4.0, 8, true, taLeftJustify, true}, QStringLiteral("Total:"));
  RpL_TotalGeral = label(RpBand2, "RpL_TotalGeral", {222.5, 0.8, 21.2, 4.0, 8, true, taRightJustify, true},
                         QStringLiteral("RpL_TotalGeral"));
  RpShape6 = hLine(RpBand2, "RpShape6", 0.3, 4.8, 268.3, 1.3);
}

TTCotavia3::~TTCotavia3() {
  RpReport.DataSet = nullptr;
  tbl_retorno.close();
}

void TTCotavia3::OpenTable(const QString& folder, const QString& fileName) {
  tbl_retorno.close();
  tbl_retorno.setTableName(fileName);
  tbl_retorno.setDatabaseName(folder);
  tbl_retorno.open();
}

void TTCotavia3::OpenProposal(const ProposalRef& ref) {
  const PrintedProposal printed = printedProposal(ref);
  Editor = reportHeaderFromFiles(ref.folder, printed.fileName, ref.identity);
  Unpriced = printed.unpriced;
  const QString bidder = fromCp1252(Editor.body).trimmed();
  RpReport.ReportTitle = QStringLiteral("Proposta ") + QFileInfo(ref.inputFileName).completeBaseName() +
                         (bidder.isEmpty() ? QString() : QStringLiteral(" - ") + bidder);
  const QString supplierName = fromCp1252(Editor.supplier).trimmed();
  RpReport.ReportAuthor =
      (supplierName.isEmpty() ? QString() : supplierName + QStringLiteral(" - ")) + fromCp1252(Editor.identity);
  OpenTable(ref.folder, printed.fileName);
}

void TTCotavia3::tbl_retornoFilterRecord(TextTable& dataSet, bool& accept) {
  accept = dataSet.field1().startsWith('I');
}

void TTCotavia3::RpReportBeforePrint(TRpReport&, bool&) {
  // Every generation (the preview's, and the one printing from the preview runs) starts at 0.
  TotalGeral = 0;
}

void TTCotavia3::RpReportStartPage(TRpReport& sender) {
  // On a paper longer than the layout area (Letter), the page ends where it would end on A4.
  const TRpPrinter* p = sender.RpPrinter();
  const double length = p ? p->PaperLength() : kLayoutLength;
  sender.Page().BottomMargin = std::max(kBottomMargin, length - (kLayoutLength - kBottomMargin));
}

void TTCotavia3::TRpBand1BeforePrint(TRpCustomBand&, bool&) {
  RpLbl_Orgao->SetCaptionCp1252(trimRight(Editor.body));
  RpLbl_Endereco->SetCaptionCp1252(trimRight(Editor.bodyAddress));
  RpLbl_Fornecedor->SetCaptionCp1252(trimRight(Editor.supplier));
  RpLbl_Identidade->SetCaptionCp1252(Editor.identity);
  const QByteArray address = trimRight(Editor.supplierAddress), city = trimRight(Editor.supplierCity);
  RpLbl_ForEndereco->SetCaptionCp1252(address + (address.isEmpty() || city.isEmpty() ? "" : " - ") + city);
  RpLbl_Modalidade->SetCaptionCp1252(trimRight(Editor.modality));
  RpLbl_Objeto->SetCaptionCp1252(trimRight(Editor.object));
  RpLbl_Entrega->SetCaptionCp1252(trimRight(Editor.delivery));
  RpLbl_Abertura->SetCaptionCp1252(trimRight(Editor.opening));
}

void TTCotavia3::RpBand1BeforePrint(TRpCustomBand&, bool&) {
  const QByteArray line = tbl_retorno.field1();
  RpLbl_Item->SetCaptionCp1252(line.mid(1, 4));
  RpLbl_Codigo->SetCaptionCp1252(line.mid(5, 6));
  // The blanks that fill the description's and the brand's columns would wrap into empty lines.
  RpLbl_Nome->SetCaptionCp1252(trimRight(line.mid(11, 100)));
  RpLbl_Unidade->SetCaptionCp1252(line.mid(124, 4));
  RpLbl_Marca->SetCaptionCp1252(trimRight(line.mid(172, 20)));

  // Every number is converted before any caption changes, so a bad field stops the generation
  // with the item's previous captions and the grand total untouched; the error names the file
  // and its line.
  QByteArray quantity, prUnit, discount, surcharge, totalText;
  long double total = 0;
  try {
    quantity = padLeft(formatAmount(strToFloat(line.mid(111, 13)) / 10000, 4, 14), 14);
    if (!Unpriced) {
      prUnit = amountField(line.mid(128, 11), 10000, 4, 10, nullptr);
      discount = amountField(line.mid(139, 11), 100, 2, 10, nullptr);
      surcharge = amountField(line.mid(150, 11), 100, 2, 10, nullptr);
      totalText = amountField(line.mid(161, 11), 100, 2, 14, &total);
    }
  } catch (const AppError& e) {
    throw AppError(ErrorKind::Damaged, tbl_retorno.filePath(), tbl_retorno.lineNo(), e.detail());
  }

  RpLbl_Quant->SetCaptionCp1252(quantity);
  RpLbl_PrUnit->SetCaptionCp1252(prUnit);
  RpLbl_Desconto->SetCaptionCp1252(discount);
  RpLbl_Acrescimo->SetCaptionCp1252(surcharge);
  RpLbl_Total->SetCaptionCp1252(totalText);
  if (!totalText.isEmpty()) TotalGeral += total;
  keepItemOnOnePage();
}

void TTCotavia3::keepItemOnOnePage() {
  // The height the item takes: its band, grown line by line for the tallest label (one line more
  // when several labels grow, as the band may give the second one a line of its own).
  double extra = 0, line = 0;
  int growing = 0;
  for (const auto& c : RpBand1->Controls()) {
    auto* l = dynamic_cast<TRpCustomLabel*>(c.get());
    if (!l || !l->AutoStretch || l->FormattedLines().size() < 2) continue;
    const double lh = l->LinesHeight() / l->FormattedLines().size();
    const double over = l->LinesHeight() - (l->Size().NativeHeight + 1.0);
    if (over <= 0) continue;
    extra = std::max(extra, std::ceil(over / lh - 1e-9) * lh);
    line = std::max(line, lh);
    ++growing;
  }
  if (growing > 1) extra += line;
  const double needed = RpBand1->Size().NativeHeight + extra;
  // An item that does not fit what is left of the page, and fits a page, starts the next page,
  // so that its lines stay with its number and amounts.
  RpBand1->ForceNewPage = extra > 0 && RpReport.PageNumber() > 0 && needed > RpReport.FreeSpace() &&
                          needed <= kLayoutLength - kTopMargin - kBottomMargin - TRpBand1->Size().NativeHeight;
}

QByteArray TTCotavia3::grandTotalText() const { return formatAmount(TotalGeral, 2, 18); }

void TTCotavia3::RpBand2BeforePrint(TRpCustomBand&, bool&) {
  // Every digit of the grand total: at 13 significant digits the cents of a total from 100
  // billion on would be rounded away.
  RpL_TotalGeral->SetCaptionCp1252(grandTotalText());
  // "Total:" stands at its place unless the grand total reaches it; then it moves left to keep a
  // small gap before the amount's first digit.
  const double pixelsPerUnit = kRpScreenFactor * RpReport.Zoom / 100.0;
  const double totalLeft = RpL_TotalGeral->Size().NativeLeft + RpL_TotalGeral->Size().NativeWidth -
                           RpL_TotalGeral->PixelWidth() / pixelsPerUnit;
  const double labelWidth = RpLabel33->PixelWidth() / pixelsPerUnit;
  RpLabel33->Size().NativeLeft = std::min(kTotalLabelLeft, totalLeft - kTotalLabelGap - labelWidth);
}

}  // namespace cotavia
