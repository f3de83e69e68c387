#include "report/windows/rp_preview.h"

#include "platform/dialogs.h"
#include "platform/error.h"
#include "report/output/rp_export.h"
#include "report/windows/rp_printdialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTranslator>
#include <typeinfo>

namespace cotavia {

namespace {

// Letter in millimetres: the page size shown without a printer.
constexpr double kLetterWidthMm = 215.9;
constexpr double kLetterLengthMm = 279.4;

const char* const kReportFile = QT_TRANSLATE_NOOP("cotavia::TRpStandardPreview", "Report file");
const char* const kRpfExt = "RPF";

}  // namespace

// ---------------------------------------------------------------------------------------------
// TRpPreviewImage

TRpPreviewImage::TRpPreviewImage(QWidget* parent) : QWidget(parent) {
  resize(100, 50);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

TRpPreviewImage::~TRpPreviewImage() = default;

void TRpPreviewImage::LoadPage(int n) {
  page_.reset();
  PageNumber = n;
  try {
    if (RpPrinter) page_ = RpPrinter->GetPage(n);
  } catch (const std::exception& e) {
    // A damaged page of a report file: said once, shown blank; the other pages stay viewable.
    repaint();
    dialogs().error(userMessage(e));
    return;
  }
  repaint();
}

void TRpPreviewImage::Clear() {
  page_.reset();
  update();
}

void TRpPreviewImage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = width(), h = height();
  if (page_) {
    p.fillRect(QRect(QPoint(1, 1), QPoint(w - 3, h - 3)), Qt::white);
    const QRect r = page_->boundingRect();
    if (r.width() > 0 && r.height() > 0) {
      p.save();
      p.setRenderHint(QPainter::Antialiasing, true);
      p.setRenderHint(QPainter::TextAntialiasing, true);
      p.setRenderHint(QPainter::SmoothPixmapTransform, true);
      p.setClipRect(QRect(0, 0, w - 2, h - 2));
      p.scale(double(w - 2) / r.width(), double(h - 2) / r.height());
      p.drawPicture(-r.left(), -r.top(), *page_);
      p.restore();
    }
  }
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::NoBrush);
  const QPoint outline[] = {{0, 0}, {0, h - 3}, {w - 3, h - 3}, {w - 3, 0}, {0, 0}};
  p.drawPolyline(outline, 5);
  p.fillRect(QRect(QPoint(w - 2, 2), QPoint(w, h)), Qt::black);
  p.fillRect(QRect(QPoint(2, h - 2), QPoint(w, h)), Qt::black);
}

// ---------------------------------------------------------------------------------------------
// TRpPreview

TRpPreview::TRpPreview(QWidget* parent) : QScrollArea(parent) {
  resize(250, 250);
  setWidgetResizable(false);
  canvas_ = new QWidget;
  canvas_->setAutoFillBackground(true);
  QPalette pal = canvas_->palette();
  pal.setColor(QPalette::Window, palette().color(QPalette::Dark));
  canvas_->setPalette(pal);
  image_ = new TRpPreviewImage(canvas_);
  setWidget(canvas_);
  setFocusPolicy(Qt::StrongFocus);
}

TRpPreview::~TRpPreview() { SetRpPrinter(nullptr); }

void TRpPreview::SetRpPrinter(TRpPrinter* p) {
  if (printer_ && printer_->Viewer() == this) {
    printer_->SetViewer(nullptr);
    printer_->SetShowingPreview(false);
  }
  printer_ = p;
  image_->RpPrinter = p;
  if (!p) {
    image_->Clear();
    return;
  }
  p->SetViewer(this);
  p->SetShowingPreview(true);
  pageNumber_ = 1;
  image_->LoadPage(1);
  PlaceImage();
}

void TRpPreview::SetPageNumber(int n) {
  if (n == pageNumber_ && image_->HasPage()) return;
  if (!printer_ || n < 1 || n > printer_->PageCount()) return;
  image_->LoadPage(n);
  pageNumber_ = n;
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
}

void TRpPreview::SetZoom(int z) {
  if (z < 2 || z > 2000) return;
  zoomState_ = TRpZoomState::ZoomCustom;
  zoom_ = z;
  PlaceImage();
}

double TRpPreview::pagePixelsWide() const {
  if (!printer_) return kLetterWidthMm;
  return printer_->XSize(printer_->PaperWidth());
}

double TRpPreview::pagePixelsHigh() const {
  if (!printer_) return kLetterLengthMm;
  return printer_->YSize(printer_->PaperLength());
}

void TRpPreview::ZoomToFit() {
  const double pw = pagePixelsWide(), ph = pagePixelsHigh();
  if (pw <= 0 || ph <= 0) return;
  const int zx = int(rpRound(width() / pw * 95));
  const int zy = int(rpRound(height() / ph * 95));
  const int z = std::min(zx, zy);
  if (z >= 2 && z <= 2000) zoom_ = z;
  PlaceImage();
  zoomState_ = TRpZoomState::ZoomToFit;
}

void TRpPreview::ZoomToWidth() {
  const double pw = pagePixelsWide();
  if (pw <= 0) return;
  // Without a printer the Letter width in millimetres stands for the page and 95% is taken.
  const int z = int(rpRound(width() / pw * (printer_ ? 90 : 95)));
  if (z >= 2 && z <= 2000) zoom_ = z;
  PlaceImage();
  zoomState_ = TRpZoomState::ZoomToWidth;
}

void TRpPreview::PlaceImage() {
  int w, h;
  if (printer_) {
    w = printer_->XSize(printer_->PaperWidth() / 100 * zoom_) + 4;
    h = printer_->YSize(printer_->PaperLength() / 100 * zoom_) + 4;
  } else {
    w = int(rpRound(kLetterWidthMm / 100 * zoom_)) + 4;
    h = int(rpRound(kLetterLengthMm / 100 * zoom_)) + 4;
  }
  const QSize view = viewport()->size();
  const int x = w < view.width() ? (view.width() - w) / 2 : 0;
  const int y = h < view.height() ? (view.height() - h) / 2 : 0;
  canvas_->resize(std::max(w, view.width()), std::max(h, view.height()));
  image_->setGeometry(x, y, w, h);
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  image_->Zoom = zoom_;
  image_->update();
}

void TRpPreview::resizeEvent(QResizeEvent* e) {
  QScrollArea::resizeEvent(e);
  if (zoomState_ == TRpZoomState::ZoomToFit)
    ZoomToFit();
  else if (zoomState_ == TRpZoomState::ZoomToWidth)
    ZoomToWidth();
  PlaceImage();
}

void TRpPreview::PageAvailable(int page) {
  // Handled from the event loop, like a posted message: the printer has finished its step
  // (the last page's notice comes before the document is marked complete).
  QPointer<TRpPreview> self(this);
  QTimer::singleShot(0, this, [self, page] {
    if (!self || !self->printer_) return;
    if (page == self->pageNumber_ && !self->image_->HasPage() && page <= self->printer_->PageCount()) {
      self->ZoomToWidth();
      self->image_->LoadPage(page);
    }
    if (self->OnPageAvailable) self->OnPageAvailable(*self, page);
  });
}

void TRpPreview::PrinterDestroyed() {
  printer_ = nullptr;
  image_->RpPrinter = nullptr;
  image_->Clear();
  if (OnPrinterGone) OnPrinterGone(*this);
}

void TRpPreview::ProgressUpdate(int percent) {
  if (OnProgressUpdate) OnProgressUpdate(*this, percent);
}

// ---------------------------------------------------------------------------------------------
// TRpStandardPreview

QString TRpStandardPreview::SaveFilter() {
  QString f = tr(kReportFile) + "(*." + kRpfExt + ")";
  for (const TRpExportFilter& e : rpExportFilters()) f += ";;" + e.Description + " (*." + e.Extension + ")";
  return f;
}

QString TRpStandardPreview::LoadFilter() { return tr(kReportFile) + " (*." + kRpfExt + ")"; }

TRpStandardPreview::TRpStandardPreview(QWidget* owner, TRpPrinter& printer)
    : QMainWindow(owner, Qt::Window), printer_(&printer) {
  setWindowTitle(tr("Print Preview"));
  resize(652, 579);

  StatusBar = new QStatusBar(this);
  StatusPanel0 = new QLabel(QStringLiteral("0%"));
  StatusPanel0->setMinimumWidth(40);
  StatusPanel0->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  StatusPanel1 = new QLabel(tr("Page"));
  StatusPanel1->setMinimumWidth(50);
  StatusBar->addWidget(StatusPanel0);
  StatusBar->addWidget(StatusPanel1, 1);
  setStatusBar(StatusBar);

  ToolBar1 = new QToolBar(this);
  ToolBar1->setMovable(false);
  ToolBar1->setFloatable(false);
  ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
  addToolBar(ToolBar1);
  auto button = [this](const char* name, const QString& text, const QString& hint) {
    auto* b = new QToolButton(ToolBar1);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::TabFocus);  // Tab reaches every button, Enter or Space presses it
    ToolBar1->addWidget(b);
    return b;
  };
  ToolBar1->addSeparator();  // ToolButton1
  ZoomFit = button("ZoomFit", tr("Fit"), tr("Zoom to fit"));
  Zoom100 = button("Zoom100", QStringLiteral("100%"), QStringLiteral("100%"));
  ZoomToWidth = button("ZoomToWidth", tr("Width"), tr("Zoom to width"));
  for (QToolButton* b : {ZoomFit, Zoom100, ZoomToWidth}) b->setCheckable(true);
  ZoomFit->setAutoExclusive(true);
  Zoom100->setAutoExclusive(true);
  ZoomToWidth->setAutoExclusive(true);
  ToolBar1->addSeparator();  // Separator1
  FirstPage = button("FirstPage", QStringLiteral("|<"), tr("First page"));
  PreviousPage = button("PreviousPage", QStringLiteral("<"), tr("Previous page"));
  ToolButton2 = button("ToolButton2", QStringLiteral(">"), tr("Next page"));
  LastPage = button("LastPage", QStringLiteral(">|"), tr("Last page"));
  ToolBar1->addSeparator();  // Separator2
  PrintSetup = button("PrintSetup", tr("Setup"), tr("Printer setup"));
  Print = button("Print", tr("Print"), tr("Print"));
  PrintSetup->setEnabled(false);
  Print->setEnabled(false);
  ToolBar1->addSeparator();  // Separator3
  SaveReport = button("SaveReport", tr("Save"), tr("Save Report"));
  LoadReport = button("LoadReport", tr("Load"), tr("Load Report"));
  ToolBar1->addSeparator();  // Separator4
  ExitButton = new QPushButton(tr("&Close"), ToolBar1);
  ExitButton->setObjectName(QStringLiteral("ExitButton"));
  ExitButton->setMinimumSize(40, 22);
  ExitButton->setFocusPolicy(Qt::TabFocus);
  ToolBar1->addWidget(ExitButton);

  // Icons from the style, beside the texts.
  ToolBar1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  QStyle* st = style();
  FirstPage->setIcon(st->standardIcon(QStyle::SP_MediaSkipBackward));
  PreviousPage->setIcon(st->standardIcon(QStyle::SP_MediaSeekBackward));
  ToolButton2->setIcon(st->standardIcon(QStyle::SP_MediaSeekForward));
  LastPage->setIcon(st->standardIcon(QStyle::SP_MediaSkipForward));
  SaveReport->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
  LoadReport->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
  for (QToolButton* b : {FirstPage, PreviousPage, ToolButton2, LastPage}) b->setToolButtonStyle(Qt::ToolButtonIconOnly);

  RpPreview = new TRpPreview(this);
  setCentralWidget(RpPreview);

  connect(ZoomFit, &QToolButton::clicked, this, [this] {
    QCoreApplication::processEvents();
    RpPreview->ZoomToFit();
  });
  connect(Zoom100, &QToolButton::clicked, this, [this] {
    QCoreApplication::processEvents();
    RpPreview->SetZoom(100);
  });
  connect(ZoomToWidth, &QToolButton::clicked, this, [this] {
    QCoreApplication::processEvents();
    RpPreview->ZoomToWidth();
  });
  connect(FirstPage, &QToolButton::clicked, this, &TRpStandardPreview::GoFirst);
  connect(PreviousPage, &QToolButton::clicked, this, &TRpStandardPreview::GoPrevious);
  connect(ToolButton2, &QToolButton::clicked, this, &TRpStandardPreview::GoNext);
  connect(LastPage, &QToolButton::clicked, this, &TRpStandardPreview::GoLast);
  connect(PrintSetup, &QToolButton::clicked, this, &TRpStandardPreview::DoPrintSetup);
  connect(Print, &QToolButton::clicked, this, &TRpStandardPreview::DoPrint);
  connect(SaveReport, &QToolButton::clicked, this, &TRpStandardPreview::DoSave);
  connect(LoadReport, &QToolButton::clicked, this, &TRpStandardPreview::DoLoad);
  connect(ExitButton, &QPushButton::clicked, this, &QWidget::close);

  RpPreview->OnPageAvailable = [this](TRpPreview&, int page) { pageArrived(page); };
  RpPreview->OnProgressUpdate = [this](TRpPreview&, int percent) { progress(percent); };
  RpPreview->OnPrinterGone = [this](TRpPreview&) {
    // The report was freed under the window (its printout ended with an error): nothing is
    // left to show or to tell.
    printer_ = nullptr;
    closedNotified_ = true;
    close();
  };

  // The window sees every key before its controls.
  watchKeys(this);

  setWindowState(windowState() | Qt::WindowMaximized);
  RpPreview->SetRpPrinter(printer_);
  if (!printer_->Title().isEmpty()) setWindowTitle(printer_->Title());
  ZoomToWidth->setChecked(true);
  if (printer_->Status() == TRpPrinterStatus::mpFinished) Print->setEnabled(true);
  UpdatePageInfo();
  RpPreview->setFocus();  // the page takes the keys first; Tab reaches the toolbar
}

TRpStandardPreview::~TRpStandardPreview() {
  if (RpPreview) RpPreview->SetRpPrinter(nullptr);
}

void TRpStandardPreview::watchKeys(QWidget* w) {
  w->installEventFilter(this);
  for (QWidget* c : w->findChildren<QWidget*>()) c->installEventFilter(this);
}

void TRpStandardPreview::UpdatePageInfo() {
  if (!printer_) return;
  StatusPanel1->setText(tr("Page %1 of %2").arg(RpPreview->PageNumber()).arg(printer_->PageCount()));
}

void TRpStandardPreview::GoFirst() {
  RpPreview->SetPageNumber(1);
  UpdatePageInfo();
}

void TRpStandardPreview::GoPrevious() {
  RpPreview->SetPageNumber(RpPreview->PageNumber() - 1);
  UpdatePageInfo();
}

void TRpStandardPreview::GoNext() {
  RpPreview->SetPageNumber(RpPreview->PageNumber() + 1);
  UpdatePageInfo();
}

void TRpStandardPreview::GoLast() {
  if (!printer_) return;
  RpPreview->SetPageNumber(printer_->PageCount());
  UpdatePageInfo();
}

void TRpStandardPreview::enablePrinting() {
  PrintSetup->setEnabled(true);
  Print->setEnabled(true);
}

void TRpStandardPreview::pageArrived(int) {
  if (!printer_) return;
  UpdatePageInfo();
  if (printer_->Status() == TRpPrinterStatus::mpFinished) enablePrinting();
}

void TRpStandardPreview::progress(int percent) {
  if (percent == 0 || percent == 100) {
    StatusPanel0->setText(QString());
    return;
  }
  if (percent >= lastProgress_ + 5) {
    StatusPanel0->setText(QString::number(percent) + "%");
    lastProgress_ = percent;
  }
}

void TRpStandardPreview::DoPrint() {
  if (!printer_) return;
  try {
    printer_->Print();
  } catch (const std::exception& e) {
    dialogs().error(userMessage(e));
  }
}

void TRpStandardPreview::DoPrintSetup() {
  if (!printer_) return;
  pdfChosen_.clear();
  try {
    printer_->PrintSetup();
  } catch (const std::exception& e) {
    dialogs().error(userMessage(e));
  }
  // The print dialog and the file dialog are gone: the preview is the window in front again.
  raise();
  activateWindow();
  // "Arquivo PDF..." with a file chosen writes the file now, as "Print" would.
  if (!pdfChosen_.isEmpty()) {
    pdfChosen_.clear();
    DoPrint();
  }
}

void TRpStandardPreview::DoSave() {
  if (!printer_) return;
  QString entry;
  QString name = dialogs().saveFileName(tr("Save report"), QString(), SaveFilter(), &entry);
  if (name.isEmpty()) return;
  const int index = SaveFilter().split(QStringLiteral(";;")).indexOf(entry);
  const QList<TRpExportFilter>& filters = rpExportFilters();
  const bool report = index <= 0 || index > filters.size();
  if (QFileInfo(name).suffix().isEmpty())
    name += "." + (report ? QString::fromLatin1(kRpfExt) : filters[index - 1].Extension);
  // Nothing is written while the report is still being generated.
  if (printer_->Status() != TRpPrinterStatus::mpFinished) return;
  try {
    if (report)
      printer_->Save(name);
    else
      filters[index - 1].Export(*printer_, name);
  } catch (const std::exception& e) {
    dialogs().error(userMessage(e));
  }
}

void TRpStandardPreview::DoLoad() {
  if (!printer_) return;
  const QString name = dialogs().openFileName(tr("Load report"), QString(), LoadFilter());
  if (name.isEmpty()) return;
  if (!QFileInfo(name).isFile()) {
    dialogs().message(tr("File does not exist"));
    return;
  }
  try {
    printer_->Load(name);
  } catch (const std::exception& e) {
    dialogs().error(userMessage(e));
  }
  // Page 1 of whatever the printer holds now.
  RpPreview->SetRpPrinter(printer_);
  if (RpPreview->ZoomState() == TRpZoomState::ZoomToFit)
    RpPreview->ZoomToFit();
  else if (RpPreview->ZoomState() == TRpZoomState::ZoomToWidth)
    RpPreview->ZoomToWidth();
  UpdatePageInfo();
  PrintSetup->setEnabled(false);
  Print->setEnabled(printer_->Status() == TRpPrinterStatus::mpFinished);
}

bool TRpStandardPreview::handleKey(QKeyEvent* e) {
  const bool ctrlAlone = e->modifiers() == Qt::ControlModifier;
  switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // Enter presses the toolbar button that has the focus.
      if (auto* b = qobject_cast<QAbstractButton*>(QApplication::focusWidget()); b && b->window() == this) {
        if (b->isEnabled()) b->click();
        return true;
      }
      return false;
    case Qt::Key_Home:
      GoFirst();
      return true;
    case Qt::Key_End:
      GoLast();
      return true;
    case Qt::Key_PageUp:
      if (ctrlAlone)
        GoFirst();
      else
        GoPrevious();
      return true;
    case Qt::Key_PageDown:
      if (ctrlAlone)
        GoLast();
      else
        GoNext();
      return true;
    case Qt::Key_Escape:
      close();
      return true;
    default:
      return false;
  }
}

bool TRpStandardPreview::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this)
    if (handleKey(static_cast<QKeyEvent*>(event))) return true;
  return QMainWindow::eventFilter(watched, event);
}

void TRpStandardPreview::keyPressEvent(QKeyEvent* e) {
  if (!handleKey(e)) QMainWindow::keyPressEvent(e);
}

void TRpStandardPreview::closeEvent(QCloseEvent* e) {
  QMainWindow::closeEvent(e);
  if (closedNotified_) return;
  closedNotified_ = true;
  // Stop viewing (a running generation is cancelled) and tell the report the preview is gone.
  RpPreview->SetRpPrinter(nullptr);
  if (printer_) printer_->NotifyPreviewClosed();
}

// ---------------------------------------------------------------------------------------------
// TRpStandardPreviewInterface

namespace {

// Shows the window maximised. Without a window manager (a bare X server) the maximised state
// alone does not size the window, so it is given the screen's free area as well.
void showFullScreenArea(QWidget* w) {
  QScreen* s = w->parentWidget() ? w->parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (s) w->setGeometry(s->availableGeometry());
  w->showMaximized();
}

}  // namespace

bool TRpStandardPreviewInterface::Show(TRpPrinter& printer) {
  auto* w = new TRpStandardPreview(Owner, printer);
  w->setAttribute(Qt::WA_DeleteOnClose);
  LastPreview = w;
  showFullScreenArea(w);
  w->UpdatePageInfo();
  return true;
}

bool TRpStandardPreviewInterface::ShowModal(TRpPrinter& printer) {
  auto* w = new TRpStandardPreview(Owner, printer);
  w->setAttribute(Qt::WA_DeleteOnClose);
  w->setWindowModality(Qt::ApplicationModal);
  LastPreview = w;
  QEventLoop loop;
  QObject::connect(w, &QObject::destroyed, &loop, &QEventLoop::quit);
  showFullScreenArea(w);
  loop.exec();
  return true;
}

bool TRpStandardPreviewInterface::ExecutePrintDialog(TRpPrintDialogData& data) {
  if (!rpRunPrintDialog(data, LastPreview ? static_cast<QWidget*>(LastPreview.data()) : Owner.data())) return false;
  // A PDF file chosen in the preview's setup is written by the preview at once.
  const QStringList names = TPrinterSettings::PrinterNames(data.PdfPrinter);
  if (LastPreview && data.PrinterIndex >= 0 && data.PrinterIndex < names.size() &&
      names.at(data.PrinterIndex) == QLatin1String(kRpPdfPrinterName) && !data.PdfPrinter.File.isEmpty())
    LastPreview->pdfChosen_ = data.PdfPrinter.File;
  return true;
}

QString TRpStandardPreviewInterface::AskPdfFile(const QString& suggested) { return rpAskPdfFile(suggested); }

QTranslator* rpInstallTranslations(const QLocale& locale) {
  static QTranslator texts;
  if (locale.language() != QLocale::Portuguese) return nullptr;
  if (texts.isEmpty() && !texts.load(QStringLiteral(":/cotavia/translations/report_pt_BR.qm"))) return nullptr;
  QCoreApplication::installTranslator(&texts);
  return &texts;
}

std::unique_ptr<TRpPrinterViewer> TRpStandardPreviewInterface::CreateProgressForm(TRpPrinter& printer, bool show) {
  auto form = std::make_unique<TRpProgressForm>(printer,
                                                LastPreview ? static_cast<QWidget*>(LastPreview.data()) : Owner.data());
  if (show) form->show();
  return form;
}

TRpStandardPreviewGuard::TRpStandardPreviewGuard(QWidget* owner) {
  ui_.Owner = owner;
  TRpPreviewInterface& current = rpPreviewInterface();
  if (typeid(current) == typeid(TRpPreviewInterface)) {
    rpSetPreviewInterface(&ui_);
    installed_ = true;
  }
}

TRpStandardPreviewGuard::~TRpStandardPreviewGuard() {
  if (installed_ && &rpPreviewInterface() == &ui_) rpSetPreviewInterface(nullptr);
}

}  // namespace cotavia
