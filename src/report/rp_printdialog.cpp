#include "report/rp_printdialog.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace cotavia {

namespace {

bool defaultRunner(QPrintDialog& dialog, QPrinter& printer, TRpPrintDialog::Result& result) {
  dialog.adjustSize();
  if (QScreen* s = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen()) {
    const QRect g = s->availableGeometry();
    dialog.move(g.x() + (g.width() - dialog.width()) / 2, g.y() + (g.height() - dialog.height()) / 3);
  }
  if (dialog.exec() != QDialog::Accepted) return false;
  result.collate = printer.collateCopies();
  result.printToFile = !printer.outputFileName().isEmpty();
  switch (printer.printRange()) {
    case QPrinter::Selection:
      result.range = TRpPrintRange::prSelection;
      break;
    case QPrinter::PageRange:
      result.range = TRpPrintRange::prPageNums;
      break;
    default:
      result.range = TRpPrintRange::prAllPages;
  }
  result.fromPage = printer.fromPage();
  result.toPage = printer.toPage();
  result.copies = printer.copyCount();
  return true;
}

}  // namespace

std::function<bool(QPrintDialog&, QPrinter&, TRpPrintDialog::Result&)> TRpPrintDialog::Runner = defaultRunner;

void TRpPrintDialog::SetCopies(int c) {
  copies_ = c;
  if (Printer && c > 0) Printer->setCopyCount(c);
}

bool TRpPrintDialog::Execute() {
  QPrinter fallback;
  QPrinter& printer = Printer ? *Printer : fallback;
  QPrintDialog dialog(&printer, Parent);
  QAbstractPrintDialog::PrintDialogOptions opts =
      QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintShowPageSize;
  if (Options & poPageNums) opts |= QAbstractPrintDialog::PrintPageRange;
  if (Options & poSelection) opts |= QAbstractPrintDialog::PrintSelection;
  if ((Options & poPrintToFile) && !(Options & poDisablePrintToFile)) opts |= QAbstractPrintDialog::PrintToFile;
  dialog.setOptions(opts);
  if (MinPage <= MaxPage) dialog.setMinMax(MinPage, MaxPage);
  if (FromPage >= 0 && ToPage >= FromPage) printer.setFromTo(FromPage, ToPage);
  switch (PrintRange) {
    case TRpPrintRange::prSelection:
      printer.setPrintRange(QPrinter::Selection);
      break;
    case TRpPrintRange::prPageNums:
      printer.setPrintRange(QPrinter::PageRange);
      break;
    default:
      printer.setPrintRange(QPrinter::AllPages);
  }
  printer.setCollateCopies(Collate);
  if (copies_ > 0) printer.setCopyCount(copies_);

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
  copies_ = r.copies == 1 ? printer.copyCount() : r.copies;
  return true;
}

bool rpRunPrintDialog(TRpPrintDialogData& data, QWidget* parent) {
  const QStringList names = TPrinterSettings::PrinterNames();
  QPrinter printer(QPrinter::HighResolution);
  if (data.PrinterIndex >= 0 && data.PrinterIndex < names.size()) printer.setPrinterName(names.at(data.PrinterIndex));
  printer.setPageOrientation(data.Orientation == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);

  TRpPrintDialog dialog;
  dialog.Printer = &printer;
  dialog.Parent = parent;
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
  const int index = names.indexOf(printer.printerName());
  if (index >= 0) data.PrinterIndex = index;
  return true;
}

TRpProgressForm::TRpProgressForm(TRpPrinter& printer, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::CustomizeWindowHint),
      printer_(printer) {
  setWindowTitle(QStringLiteral("Printing progress"));
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
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
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
  Info->setText(QString::number(p) + QStringLiteral("% ") + QStringLiteral(" Completed"));
  QCoreApplication::processEvents();
}

}  // namespace cotavia
