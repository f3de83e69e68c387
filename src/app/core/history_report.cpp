#include "app/core/history_report.h"

#include "app/core/proposal_report.h"
#include "platform/amounts.h"
#include "report/output/rp_export.h"

#include <QDir>

namespace cotavia {

namespace {

// A4 landscape, 10 mm margins: 277 mm for the bands.
constexpr double kBandWidth = 277.0;

struct Cell {
  double left, top, width, height;
  int points = 8;
  bool bold = false;
  TRpAlignment alignment = taLeftJustify;
};

TRpLabel* label(TRpCustomBand* band, const char* name, const Cell& c, const QString& caption = QString()) {
  auto* l = band->Add<TRpLabel>();
  l->Name = QString::fromLatin1(name);
  TRpFont f;  // Arial
  f.Size = c.points;
  f.Bold = c.bold;
  l->SetFont(f);
  l->Transparent = true;
  l->SetAutoSize(false);
  l->SetWordWrap(false);
  l->SetAlignment(c.alignment);
  l->SetBounds(c.left, c.top, c.width, c.height);
  l->SetCaption(caption);
  return l;
}

void line(TRpCustomBand* band, double top) {
  auto* s = band->Add<TRpShape>();
  s->Shape = rpsHorLine;
  s->SetBounds(0, top, kBandWidth, 0.5);
}

void sizeBand(TRpCustomBand* b, const char* name, double height) {
  b->Name = QString::fromLatin1(name);
  b->Color = Qt::transparent;
  b->Size().SetHeight(height);
  b->Size().SetWidth(kBandWidth);
}

QString money(long double v, int decimals) { return QString::fromLatin1(formatAmount(v, decimals, 18)); }
QString day(const QDateTime& t) { return t.toString(QStringLiteral("dd/MM/yyyy")); }
QString plural(int n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? one : many));
}

// The columns of the detail line and their titles in the page header: left, width, alignment.
struct Column {
  const char* name;
  const char* title;
  double left, width;
  TRpAlignment alignment;
};
const Column kColumns[] = {
    {"RpLbl_Data", "Data", 2, 17, taLeftJustify},
    {"RpLbl_Municipio", "Município", 20, 82, taLeftJustify},
    {"RpLbl_Proposta", "Proposta", 103, 24, taLeftJustify},
    {"RpLbl_Item", "Item", 128, 9, taLeftJustify},
    {"RpLbl_Marca", "Marca", 138, 38, taLeftJustify},
    {"RpLbl_Quant", "Quantidade", 177, 24, taRightJustify},
    {"RpLbl_PrUnit", "Pr. Unit.", 202, 22, taRightJustify},
    {"RpLbl_Desconto", "Desconto", 225, 24, taRightJustify},
    {"RpLbl_Acrescimo", "Acréscimo", 250, 25, taRightJustify},
};

}  // namespace

QString PriceHistoryReport::criteriaText(const HistoryQuery& query) {
  QStringList parts;
  if (!query.search.trimmed().isEmpty()) parts << QStringLiteral("Busca: \"%1\"").arg(query.search.trimmed());
  if (!query.code.trimmed().isEmpty()) parts << QStringLiteral("Código: %1").arg(query.code.trimmed());
  return parts.isEmpty() ? QStringLiteral("Todos os preços registrados") : parts.join(QStringLiteral(" - "));
}

AppError emptyHistoryError(const HistoryQuery& query) {
  const QString criteria = PriceHistoryReport::criteriaText(query);
  if (query.search.trimmed().isEmpty() && query.code.trimmed().isEmpty())
    return AppError(
        "O histórico de preços está vazio: nada foi impresso. Os preços são registrados a cada proposta gravada.");
  return AppError((QStringLiteral("Nenhum preço do histórico atende à busca (%1): nada foi impresso. "
                                  "Tente outras palavras ou outro código.")
                       .arg(criteria))
                      .toStdString());
}

PriceHistoryReport::PriceHistoryReport(QList<PriceEntry> entries, const HistoryQuery& query)
    : entries_(std::move(entries)) {
  TRpReport& r = RpReport;
  r.Units = TRpUnits::MM;
  r.Page().SetPaperSize(TRpPaperSize::A4);
  r.Page().SetOrientation(poLandscape);
  r.Page().TopMargin = r.Page().BottomMargin = 100;
  r.Page().LeftMargin = r.Page().RightMargin = 100;
  r.Options = TRpReportOption::FirstPageHeader | TRpReportOption::LastPageFooter;
  r.PrintIfEmpty = false;
  r.ReportTitle = QStringLiteral("Histórico de Preços");
  QList<QByteArray> records;
  records.reserve(entries_.size());
  for (qsizetype i = 0; i < entries_.size(); ++i) records.append(QByteArray::number(i));
  dataSet_.SetRecords(records);
  dataSet_.Open();
  r.DataSet = &dataSet_;
  r.BeforePrint = [this](TRpReport&, bool&) { products_ = 0; };

  // Page header: title, page and date, the search, the column titles.
  PageHeader = r.AddBand(rbPageHeader);
  sizeBand(PageHeader, "PageHeader", 24);
  label(PageHeader, "RpLbl_Titulo", {60, 1, 157, 7, 16, true, taCenter}, r.ReportTitle);
  auto* page = PageHeader->Add<TRpSysData>();
  page->SetText(QStringLiteral("Página "));
  page->SetData(rpsPageNumber);
  page->SetAlignment(taRightJustify);
  page->SetAutoSize(false);
  page->SetBounds(237, 1, 40, 4);
  auto* date = PageHeader->Add<TRpSysData>();
  date->SetData(rpsDateTime);
  date->SetAlignment(taRightJustify);
  date->SetAutoSize(false);
  date->SetBounds(217, 5, 60, 4);
  for (TRpSysData* d : {page, date}) {
    TRpFont f;
    f.Size = 8;
    d->SetFont(f);
    d->Transparent = true;
  }
  label(PageHeader, "RpLbl_Busca", {2, 10, 273, 5, 10}, criteriaText(query));
  line(PageHeader, 16.5);
  for (const Column& c : kColumns)
    label(PageHeader, c.title, {c.left, 18, c.width, 4, 8, true, c.alignment}, QString::fromUtf8(c.title));
  line(PageHeader, 22.8);

  // Group: one product (description, code and unit), header and footer.
  Product = r.AddGroup();
  sizeBand(Product, "Product", 7.5);
  Product->Expression = [this] {
    const PricedItem& i = current().item;
    return QVariant(i.description + QChar(0x1f) + i.code + QChar(0x1f) + i.unit);
  };
  Product->BeforePrint = [this](TRpCustomBand&, bool&) { startProduct(); };
  // A description too long for its place goes on in a second line, the band growing for it.
  RpLbl_Descricao = label(Product, "RpLbl_Descricao", {2, 2, 205, 4.5, 9, true});
  RpLbl_Descricao->SetWordWrap(true);
  RpLbl_Descricao->AutoStretch = true;
  RpLbl_CodigoUnidade = label(Product, "RpLbl_CodigoUnidade", {208, 2, 67, 4.5, 9, false, taRightJustify});
  Product->SetHasFooter(true);
  TRpBand* footer = Product->FooterBand();
  sizeBand(footer, "ProductFooter", 7);
  footer->BeforePrint = [this](TRpCustomBand&, bool&) { footerBeforePrint(); };
  line(footer, 0.3);
  RpLbl_Contagem = label(footer, "RpLbl_Contagem", {2, 1, 60, 4, 8, true});
  RpLbl_Figuras = label(footer, "RpLbl_Figuras", {62, 1, 213, 4, 8, true, taRightJustify});

  // Detail: one price.
  Detail = r.AddBand(rbDetail);
  sizeBand(Detail, "Detail", 4.5);
  Detail->BeforePrint = [this](TRpCustomBand&, bool&) { detailBeforePrint(); };
  // A product's header never ends a page without its first price line under it.
  Product->LinkBand = Detail;
  TRpLabel** cells[] = {&RpLbl_Data,  &RpLbl_Municipio, &RpLbl_Proposta, &RpLbl_Item,     &RpLbl_Marca,
                        &RpLbl_Quant, &RpLbl_PrUnit,    &RpLbl_Desconto, &RpLbl_Acrescimo};
  for (size_t i = 0; i < std::size(kColumns); ++i) {
    const Column& c = kColumns[i];
    *cells[i] = label(Detail, c.name, {c.left, 0.3, c.width, 4, 8, false, c.alignment});
  }

  // Summary: the counts.
  Summary = r.AddBand(rbSummary);
  sizeBand(Summary, "Summary", 8);
  line(Summary, 1);
  RpLbl_Totais = label(Summary, "RpLbl_Totais", {2, 2.5, 273, 4.5, 9, true});
  Summary->BeforePrint = [this](TRpCustomBand&, bool&) {
    RpLbl_Totais->SetCaption(
        QStringLiteral("%1 de %2.")
            .arg(plural(int(entries_.size()), "preço", "preços"), plural(products_, "produto", "produtos")));
  };
}

PriceHistoryReport::~PriceHistoryReport() { RpReport.DataSet = nullptr; }

const PriceEntry& PriceHistoryReport::current() const { return entries_.at(dataSet_.Field().toInt()); }

void PriceHistoryReport::startProduct() {
  const PricedItem& i = current().item;
  QString description = i.description.trimmed();
  // Printed again at the top of a page: the figures go on.
  if (Product->Reprinting()) {
    description += QStringLiteral(" (continuação)");
  } else {
    ++products_;
    count_ = 0;
    latest_ = nullptr;
  }
  RpLbl_Descricao->SetCaption(description);
  QStringList codeUnit;
  if (!i.code.trimmed().isEmpty()) codeUnit << QStringLiteral("Código: %1").arg(i.code.trimmed());
  if (!i.unit.trimmed().isEmpty()) codeUnit << QStringLiteral("Unidade: %1").arg(i.unit.trimmed());
  RpLbl_CodigoUnidade->SetCaption(codeUnit.join(QStringLiteral("   ")));
}

void PriceHistoryReport::detailBeforePrint() {
  const PriceEntry& e = current();
  const PricedItem& i = e.item;
  RpLbl_Data->SetCaption(day(e.source.savedAt));
  RpLbl_Municipio->SetCaption(e.source.municipality);
  RpLbl_Proposta->SetCaption(e.source.proposal);
  RpLbl_Item->SetCaption(i.item);
  RpLbl_Marca->SetCaption(i.brand);
  RpLbl_Quant->SetCaption(money(i.quantity, 4));
  RpLbl_PrUnit->SetCaption(money(i.unitPrice, 4));
  RpLbl_Desconto->SetCaption(i.discount != 0 ? money(i.discount, 2) : QString());
  RpLbl_Acrescimo->SetCaption(i.surcharge != 0 ? money(i.surcharge, 2) : QString());
  // The product's figures. The latest price is the one saved last (the later line on a tie).
  if (count_ == 0 || i.unitPrice < lowest_) lowest_ = i.unitPrice;
  if (count_ == 0 || i.unitPrice > highest_) highest_ = i.unitPrice;
  if (!latest_ || e.source.savedAt >= latest_->source.savedAt) latest_ = &e;
  ++count_;
}

void PriceHistoryReport::footerBeforePrint() {
  RpLbl_Contagem->SetCaption(plural(count_, "preço", "preços"));
  if (!latest_) {
    RpLbl_Figuras->SetCaption(QString());
    return;
  }
  RpLbl_Figuras->SetCaption(
      QStringLiteral("Menor: %1     Maior: %2     Último: %3 (%4)")
          .arg(money(lowest_, 4), money(highest_, 4), money(latest_->item.unitPrice, 4), day(latest_->source.savedAt)));
}

void writePriceHistoryPdf(const QList<PriceEntry>& entries, const HistoryQuery& query, const QString& pdfFile) {
  if (entries.isEmpty()) throw emptyHistoryError(query);
  // The pages are laid out for the PDF stand-in, whatever printers this machine has: the PDF has
  // the report's own A4 landscape pages.
  PriceHistoryReport form(entries, query);
  layOutForPdf(form.RpReport, QStringLiteral("PDF"), QDir::temp().filePath(QStringLiteral("cotavia-historico.pdf")));
  form.RpReport.Preview();  // no window here: the pages stay in the report's page store
  TRpPrinter* pages = form.RpReport.RpPrinter();
  if (!pages || pages->Status() != TRpPrinterStatus::mpFinished)
    throw AppError(ErrorKind::Report, QString(), "o histórico de preços não foi gerado");
  rpExportPdf(*pages, pdfFile);
}

}  // namespace cotavia
