#include "report/windows/rp_printdialog.h"

#include "platform/cups.h"
#include "platform/dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

namespace cotavia {

namespace {

const QString kPdfEntry = QStringLiteral("Arquivo PDF...");

bool defaultRunner(TRpPrintForm& dialog, QPrinter&, TRpPrintDialog::Result& result) {
  dialog.adjustSize();
  if (QScreen* s = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen()) {
    const QRect g = s->availableGeometry();
    dialog.move(g.x() + (g.width() - dialog.width()) / 2, g.y() + (g.height() - dialog.height()) / 3);
  }
  for (;;) {
    if (dialog.exec() != QDialog::Accepted) return false;
    if (!dialog.pdfChosen()) break;
    // "Arquivo PDF...": the user says where; no answer, back to the dialog.
    const QString file = rpAskPdfFile(dialog.pdfSuggestion);
    if (file.isEmpty()) continue;
    result.pdfFile = file;
    break;
  }
  result.printerName = dialog.printerName();
  result.printToFile = dialog.pdfChosen();
  result.collate = dialog.Collate->isChecked();
  result.range = dialog.PageRange->isChecked() ? TRpPrintRange::prPageNums : TRpPrintRange::prAllPages;
  result.fromPage = dialog.FromPage->value();
  result.toPage = dialog.ToPage->value();
  result.copies = dialog.Copies->value();
  return true;
}

}  // namespace

QString rpAskPdfFile(const QString& suggested) {
  QString file = dialogs().saveFileName(QStringLiteral("Gravar o relatório em PDF"), suggested,
                                        QStringLiteral("Arquivos PDF (*.pdf)"));
  if (!file.isEmpty() && !file.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) file += QStringLiteral(".pdf");
  return file;
}

TRpPrintForm::TRpPrintForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Imprimir"));
  auto* layout = new QVBoxLayout(this);

  auto* printerBox = new QGroupBox(QStringLiteral("Impressora"), this);
  auto* pl = new QVBoxLayout(printerBox);
  PrinterBox = new QComboBox(printerBox);
  PrinterBox->setObjectName(QStringLiteral("PrinterBox"));
  PrinterBox->setMinimumWidth(320);
  pl->addWidget(PrinterBox);
  layout->addWidget(printerBox);

  auto* pagesBox = new QGroupBox(QStringLiteral("Páginas"), this);
  auto* gl = new QGridLayout(pagesBox);
  AllPages = new QRadioButton(QStringLiteral("Todas"), pagesBox);
  PageRange = new QRadioButton(QStringLiteral("De"), pagesBox);
  FromPage = new QSpinBox(pagesBox);
  ToPage = new QSpinBox(pagesBox);
  AllPages->setChecked(true);
  gl->addWidget(AllPages, 0, 0, 1, 4);
  gl->addWidget(PageRange, 1, 0);
  gl->addWidget(FromPage, 1, 1);
  gl->addWidget(new QLabel(QStringLiteral("até"), pagesBox), 1, 2);
  gl->addWidget(ToPage, 1, 3);
  layout->addWidget(pagesBox);

  auto* copiesRow = new QHBoxLayout;
  copiesRow->addWidget(new QLabel(QStringLiteral("Cópias:"), this));
  Copies = new QSpinBox(this);
  Copies->setRange(1, 999);
  copiesRow->addWidget(Copies);
  Collate = new QCheckBox(QStringLiteral("Agrupar"), this);
  copiesRow->addWidget(Collate);
  copiesRow->addStretch();
  layout->addLayout(copiesRow);

  auto* buttons = new QDialogButtonBox(this);
  OkButton = buttons->addButton(QStringLiteral("Imprimir"), QDialogButtonBox::AcceptRole);
  CancelButton = buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
  OkButton->setDefault(true);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // Typing a page number chooses the range.
  for (QSpinBox* b : {FromPage, ToPage})
    connect(b, &QSpinBox::valueChanged, this, [this] { PageRange->setChecked(true); });
  // The button says what happens: printing, or saving a file.
  connect(PrinterBox, &QComboBox::currentIndexChanged, this,
          [this] { OkButton->setText(pdfChosen() ? QStringLiteral("Gravar PDF...") : QStringLiteral("Imprimir")); });
}

void TRpPrintForm::setPrinters(const QStringList& printers, const QString& defaultPrinter, const QString& current) {
  QSignalBlocker block(PrinterBox);
  PrinterBox->clear();
  for (const QString& p : printers) PrinterBox->addItem(p == defaultPrinter ? p + QStringLiteral(" (padrão)") : p, p);
  PrinterBox->addItem(kPdfEntry, QString());
  int i = printers.indexOf(current);
  if (i < 0) i = printers.indexOf(defaultPrinter);
  if (i < 0) i = 0;
  if (printers.isEmpty() || (current == QLatin1String(kRpPdfPrinterName))) i = PrinterBox->count() - 1;
  PrinterBox->setCurrentIndex(i);
  OkButton->setText(pdfChosen() ? QStringLiteral("Gravar PDF...") : QStringLiteral("Imprimir"));
}

QString TRpPrintForm::printerName() const { return PrinterBox->currentData().toString(); }

bool TRpPrintForm::pdfChosen() const { return PrinterBox->currentIndex() >= 0 && printerName().isEmpty(); }

void TRpPrintForm::setMinMax(int min, int max) {
  min_ = min;
  max_ = max;
  FromPage->setRange(min, max);
  ToPage->setRange(min, max);
}

std::function<bool(TRpPrintForm&, QPrinter&, TRpPrintDialog::Result&)> TRpPrintDialog::Runner = defaultRunner;

void TRpPrintDialog::SetCopies(int c) {
  copies_ = c;
  if (Printer && c > 0) Printer->setCopyCount(c);
}

bool TRpPrintDialog::Execute() {
  QPrinter fallback;
  QPrinter& printer = Printer ? *Printer : fallback;
  TRpPrintForm dialog(Parent);
  QStringList printers;
  for (const cups::Destination& d : cups::destinations()) printers << d.name;
  dialog.setPrinters(printers, cups::defaultDestination(), PrinterName.isEmpty() ? printer.printerName() : PrinterName);
  dialog.pdfSuggestion = PdfSuggestion;
  // Page numbers only with poPageNums; "Agrupar" is always offered.
  const bool pageNums = Options & poPageNums;
  dialog.PageRange->setEnabled(pageNums);
  dialog.FromPage->setEnabled(pageNums);
  dialog.ToPage->setEnabled(pageNums);
  if (MinPage <= MaxPage) dialog.setMinMax(MinPage, MaxPage);
  if (FromPage >= 0 && ToPage >= FromPage) printer.setFromTo(FromPage, ToPage);
  {
    QSignalBlocker b1(dialog.FromPage), b2(dialog.ToPage);
    dialog.FromPage->setValue(FromPage);
    dialog.ToPage->setValue(ToPage);
  }
  switch (PrintRange) {
    case TRpPrintRange::prPageNums:
      printer.setPrintRange(QPrinter::PageRange);
      dialog.PageRange->setChecked(true);
      break;
    case TRpPrintRange::prSelection:
      printer.setPrintRange(QPrinter::Selection);
      break;
    default:
      printer.setPrintRange(QPrinter::AllPages);
      dialog.AllPages->setChecked(true);
  }
  printer.setCollateCopies(Collate);
  dialog.Collate->setChecked(Collate);
  if (copies_ > 0) printer.setCopyCount(copies_);
  dialog.Copies->setValue(std::max(1, printer.copyCount()));

  if (OnShow) OnShow();
  Result r;
  const bool ok = Runner(dialog, printer, r);
  if (OnClose) OnClose();
  if (!ok) return false;
  Collate = r.collate;
  PrintToFile = r.printToFile;
  PrintRange = r.range;
  FromPage = r.fromPage;
  ToPage = r.toPage;
  PrinterName = r.printerName;
  PdfFile = r.pdfFile;
  copies_ = r.copies == 1 ? printer.copyCount() : r.copies;
  return true;
}

bool rpRunPrintDialog(TRpPrintDialogData& data, QWidget* parent) {
  const QStringList names = TPrinterSettings::PrinterNames(data.PdfPrinter);
  QPrinter printer(QPrinter::HighResolution);
  QString current;
  if (data.PrinterIndex >= 0 && data.PrinterIndex < names.size()) current = names.at(data.PrinterIndex);
  const bool onPdf = !current.isEmpty() && current == data.PdfPrinter.Name;
  if (!current.isEmpty() && !onPdf) printer.setPrinterName(current);
  printer.setPageOrientation(data.Orientation == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);

  TRpPrintDialog dialog;
  dialog.Printer = &printer;
  dialog.Parent = parent;
  dialog.PrinterName = onPdf ? QString::fromLatin1(kRpPdfPrinterName) : current;
  dialog.PdfSuggestion = data.PdfPrinter.Suggestion;
  dialog.MinPage = data.MinPage;
  dialog.MaxPage = data.MaxPage;
  dialog.FromPage = data.FromPage;
  dialog.ToPage = data.ToPage;
  dialog.PrintRange = data.PrintRange;
  dialog.Collate = data.Collate;
  dialog.Options = (data.PageNums ? poPageNums : 0) | (data.Warning ? poWarning : 0);
  dialog.SetCopies(data.Copies);
  if (!dialog.Execute()) return false;

  data.Copies = dialog.Copies();
  data.Collate = dialog.Collate;
  data.PrintRange = dialog.PrintRange;
  data.FromPage = dialog.FromPage;
  data.ToPage = dialog.ToPage;
  data.Orientation = printer.pageLayout().orientation() == QPageLayout::Landscape ? poLandscape : poPortrait;
  if (!dialog.PdfFile.isEmpty()) {
    // The PDF file becomes the report's printer, writing where the user said.
    data.PdfPrinter.Name = QString::fromLatin1(kRpPdfPrinterName);
    data.PdfPrinter.File = dialog.PdfFile;
    data.PrinterIndex = TPrinterSettings::PrinterNames(data.PdfPrinter).indexOf(data.PdfPrinter.Name);
  } else if (!dialog.PrinterName.isEmpty()) {
    const int index = names.indexOf(dialog.PrinterName);
    if (index >= 0) data.PrinterIndex = index;
  }
  return true;
}

TRpProgressForm::TRpProgressForm(TRpPrinter& printer, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::CustomizeWindowHint),
      printer_(printer) {
  setWindowTitle(tr("Printing progress"));
  setFixedSize(149, 97);
  Gauge = new QProgressBar(this);
  Gauge->setGeometry(16, 18, 114, 16);
  Gauge->setRange(0, 100);
  Gauge->setValue(0);
  Gauge->setTextVisible(false);
  Info = new QLabel(this);
  Info->setGeometry(0, 44, 145, Info->sizeHint().height());
  Info->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Info->setText(QString());
  CancelButton = new QPushButton(tr("Cancel"), this);
  CancelButton->setGeometry(36, 60, 75, 25);
  connect(CancelButton, &QPushButton::clicked, this, [this] { printer_.Cancel(); });
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    const QRect g = s->availableGeometry();
    move(g.x() + (g.width() - width()) / 2, g.y() + (g.height() - height()) / 2);
  }
}

void TRpProgressForm::ProgressUpdate(int) {
  const int p = printer_.ProgressPercent();
  if (p % 5 != 0) return;
  Gauge->setValue(p);
  Info->setText(tr("%1%  Completed").arg(p));
  QCoreApplication::processEvents();
}

}  // namespace cotavia
