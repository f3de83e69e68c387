#include "report/output/rp_printer.h"

#include "platform/cups.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinterInfo>

namespace cotavia {

// ---------------------------------------------------------------------------------------------
// Registered windows

namespace {
TRpPreviewInterface g_headlessUi;
TRpPreviewInterface* g_ui = nullptr;

QPageSize pageSizeFor(TRpPaperSize p, double customW, double customL) {
  double w, l;
  if (!rpPaperDimensions(p, w, l)) {
    w = customW;
    l = customL;
  }
  if (w <= 0 || l <= 0) return QPageSize(QPageSize::A4);
  return QPageSize(QSizeF(w / 10.0, l / 10.0), QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
}

QPrinter::PaperSource sourceFor(TRpBin b) {
  switch (b) {
    case TRpBin::First:
    case TRpBin::Upper:
      return QPrinter::Upper;
    case TRpBin::Lower:
      return QPrinter::Lower;
    case TRpBin::Middle:
      return QPrinter::Middle;
    case TRpBin::Manual:
      return QPrinter::Manual;
    case TRpBin::Envelope:
      return QPrinter::Envelope;
    case TRpBin::EnvManual:
      return QPrinter::EnvelopeManual;
    case TRpBin::Auto:
      return QPrinter::Auto;
    case TRpBin::Tractor:
      return QPrinter::Tractor;
    case TRpBin::SmallFormat:
      return QPrinter::SmallFormat;
    case TRpBin::LargeFormat:
      return QPrinter::LargeFormat;
    case TRpBin::LargeCapacity:
      return QPrinter::LargeCapacity;
    case TRpBin::Cassette:
    case TRpBin::Last:
      return QPrinter::Cassette;
  }
  return QPrinter::Auto;
}

int sourceCode(QPrinter::PaperSource s) {
  switch (s) {
    case QPrinter::Upper:
      return 1;
    case QPrinter::Lower:
      return 2;
    case QPrinter::Middle:
      return 3;
    case QPrinter::Manual:
      return 4;
    case QPrinter::Envelope:
      return 5;
    case QPrinter::EnvelopeManual:
      return 6;
    case QPrinter::Auto:
      return 7;
    case QPrinter::Tractor:
      return 8;
    case QPrinter::SmallFormat:
      return 9;
    case QPrinter::LargeFormat:
      return 10;
    case QPrinter::LargeCapacity:
      return 11;
    case QPrinter::Cassette:
      return 14;
    default:
      return 0;
  }
}

// The table paper whose portrait size matches (within half a millimetre), first in table order.
TRpPaperSize paperForSize(QSizeF mm) {
  const double a = qMin(mm.width(), mm.height()) * 10, b = qMax(mm.width(), mm.height()) * 10;
  for (int i = int(TRpPaperSize::Letter); i < int(TRpPaperSize::Custom); ++i) {
    double w, l;
    rpPaperDimensions(TRpPaperSize(i), w, l);
    if (qAbs(qMin(w, l) - a) <= 5 && qAbs(qMax(w, l) - b) <= 5) return TRpPaperSize(i);
  }
  return TRpPaperSize::Default;
}

// The printer did not take the job: the spooler's own reason when it gives one.
ERpError printerRefused(const QString& printer) {
  QString cause = cups::lastErrorText();
  if (cause.isEmpty()) cause = QStringLiteral("a impressora não aceitou o trabalho de impressão");
  return ERpError(ErrorKind::Printer, printer, cause);
}

}  // namespace

TRpPreviewInterface& rpPreviewInterface() { return g_ui ? *g_ui : g_headlessUi; }
void rpSetPreviewInterface(TRpPreviewInterface* ui) { g_ui = ui; }

// ---------------------------------------------------------------------------------------------
// TPrinterSettings

QStringList TPrinterSettings::PrinterNames(const TRpPdfPrinter& pdf) {
  QStringList names = QPrinterInfo::availablePrinterNames();
  if (!pdf.Name.isEmpty()) names.append(pdf.Name);
  return names;
}

TPrinterSettings::TPrinterSettings(const TRpPdfPrinter& pdf) : pdf_(pdf) {
  const QStringList names = PrinterNames(pdf_);
  printerOk_ = !names.isEmpty();
  if (!printerOk_) return;  // nothing can be read or set: A4 portrait
  int idx = names.indexOf(QPrinterInfo::defaultPrinterName());
  selectPrinter(names, idx < 0 ? 0 : idx);
}

TPrinterSettings::~TPrinterSettings() = default;

QString TPrinterSettings::PrinterName() const {
  const QStringList names = PrinterNames(pdf_);
  return printerIndex_ >= 0 && printerIndex_ < names.size() ? names.at(printerIndex_) : QString();
}

void TPrinterSettings::SetPrinterIndex(int index) {
  if (!printerOk_) return;
  const QStringList names = PrinterNames(pdf_);
  if (index < 0 || index >= names.size()) return;
  selectPrinter(names, index);
}

void TPrinterSettings::selectPrinter(const QStringList& names, int index) {
  printerIndex_ = index;
  const QString name = names.at(index);
  supported_.fill(false);
  if (!pdf_.Name.isEmpty() && name == pdf_.Name) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(pdf_.File);
    printer_->setFullPage(true);
    printer_->setPageMargins(QMarginsF(0, 0, 0, 0));
    printer_->setPageSize(QPageSize(QPageSize::A4));
    supported_.fill(true);
    binField_ = true;
  } else {
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    for (const QPageSize& ps : info.supportedPageSizes()) {
      const TRpPaperSize p = paperForSize(ps.size(QPageSize::Millimeter));
      if (p == TRpPaperSize::Default) continue;
      // Papers of the same size share the flag (Letter, Letter Small, Note ...).
      double w0, l0;
      rpPaperDimensions(p, w0, l0);
      for (int i = int(TRpPaperSize::Letter); i < int(TRpPaperSize::Custom); ++i) {
        double w, l;
        rpPaperDimensions(TRpPaperSize(i), w, l);
        if (qAbs(w - w0) <= 5 && qAbs(l - l0) <= 5) supported_[size_t(i)] = true;
      }
    }
    binField_ = true;  // CUPS takes the source as a job option
  }
  supported_[size_t(TRpPaperSize::Custom)] = true;
  supported_[size_t(TRpPaperSize::Default)] = true;
  ReadSettings();
}

void TPrinterSettings::ReadSettings() {
  if (!printer_) return;
  ppx_ = printer_->resolution();
  ppy_ = printer_->resolution();
  copies_ = qMax(1, printer_->copyCount());
  const int code = sourceCode(printer_->paperSource());
  bin_ = TRpBin::First;
  for (int i = 0; i <= int(TRpBin::Last); ++i)
    if (rpBinCode(TRpBin(i)) == code) {
      bin_ = TRpBin(i);
      break;
    }
  duplex_ = printer_->duplex() != QPrinter::DuplexNone;
  const QPageLayout layout = printer_->pageLayout();
  const QSizeF mm = layout.pageSize().size(QPageSize::Millimeter);
  paperWidth_ = double(rpRound(mm.width() * 10));
  paperLength_ = double(rpRound(mm.height() * 10));
  paper_ = paperForSize(mm);
  orientation_ = layout.orientation() == QPageLayout::Landscape ? poLandscape : poPortrait;
  const QRectF full = layout.fullRect(QPageLayout::Millimeter);
  const QRectF printable = layout.paintRect(QPageLayout::Millimeter);
  leftOffset_ = double(rpRound((printable.left() - full.left()) * 10));
  topOffset_ = double(rpRound((printable.top() - full.top()) * 10));
}

void TPrinterSettings::WriteSettings() {
  if (!printer_) return;
  if (paper_ != TRpPaperSize::Default) printer_->setPageSize(pageSizeFor(paper_, paperWidth_, paperLength_));
  if (duplex_) printer_->setDuplex(QPrinter::DuplexShortSide);
  printer_->setCopyCount(copies_);
  if (binField_) printer_->setPaperSource(sourceFor(bin_));
  printer_->setPageOrientation(orientation_ == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  const QPageLayout layout = printer_->pageLayout();
  const QRectF full = layout.fullRect(QPageLayout::Millimeter);
  const QRectF printable = layout.paintRect(QPageLayout::Millimeter);
  leftOffset_ = double(rpRound((printable.left() - full.left()) * 10));
  topOffset_ = double(rpRound((printable.top() - full.top()) * 10));
}

void TPrinterSettings::SetCopies(int c) {
  if (printerOk_ && c >= 1) copies_ = c;
}
void TPrinterSettings::SetDuplex(bool d) {
  if (printerOk_) duplex_ = d;
}
void TPrinterSettings::SetOrientation(TRpOrientation o) {
  if (printerOk_) orientation_ = o;
}
void TPrinterSettings::SetOutputBin(TRpBin b) {
  if (printerOk_ && binField_) bin_ = b;
}
void TPrinterSettings::SetPaperSize(TRpPaperSize p) {
  if (p == TRpPaperSize::Default || (printerOk_ && supported_[size_t(p)])) paper_ = p;
}
void TPrinterSettings::SetPaperWidth(double w) {
  if (paper_ == TRpPaperSize::Custom) paperWidth_ = w;
}
void TPrinterSettings::SetPaperLength(double l) {
  if (paper_ == TRpPaperSize::Custom) paperLength_ = l;
}

// ---------------------------------------------------------------------------------------------
// TRpPrinter

TRpPrinter::TRpPrinter(const TRpPdfPrinter& pdf) : settings_(pdf) {
  topOffset_ = 0;
  leftOffset_ = 0;
  xFactor_ = yFactor_ = 1;
}

TRpPrinter::~TRpPrinter() {
  if (status_ != TRpPrinterStatus::mpReady) reset();
  if (viewer_) viewer_->PrinterDestroyed();
}

void TRpPrinter::reset() {
  if (status_ == TRpPrinterStatus::mpBusy) {
    cancelled_ = true;
    Abort();
  }
  pagePainter_.reset();
  page_.reset();
  if (printerPainter_) {
    if (printerPainter_->isActive()) printerPainter_->end();
    printerPainter_.reset();
  }
  printing_ = false;
  canvas_ = nullptr;
  viewed_.reset();
  pageList_.reset();
  pageCount_ = pageNumber_ = 0;
  loadedFromFile_ = false;
  status_ = TRpPrinterStatus::mpReady;
}

void TRpPrinter::SetOutputFile(const QString& file) {
  if (QPrinter* p = settings_.Printer(); p && p->outputFormat() == QPrinter::PdfFormat) p->setOutputFileName(file);
}

void TRpPrinter::SetPrinterIndex(int i) {
  if (settings_.PrinterOK()) settings_.SetPrinterIndex(i);
}

double TRpPrinter::PaperWidth() const {
  double w, l;
  const bool landscape = settings_.Orientation() == poLandscape;
  if (rpPaperDimensions(settings_.PaperSize(), w, l)) return landscape ? l : w;
  if (settings_.PaperSize() == TRpPaperSize::Default && landscape) return settings_.PaperLength();
  return settings_.PaperWidth();
}

double TRpPrinter::PaperLength() const {
  double w, l;
  const bool landscape = settings_.Orientation() == poLandscape;
  if (rpPaperDimensions(settings_.PaperSize(), w, l)) return landscape ? w : l;
  if (settings_.PaperSize() == TRpPaperSize::Default && landscape) return settings_.PaperWidth();
  return settings_.PaperLength();
}

bool TRpPrinter::pageInRange(int page) const {
  if (firstPage_ > 0 && firstPage_ > page) return false;
  if (lastPage_ > 0 && lastPage_ < page) return false;
  return true;
}

void TRpPrinter::BeginDoc() {
  if (status_ != TRpPrinterStatus::mpReady) throw ERpError("Report printer not ready");
  pagePainter_.reset();
  page_.reset();
  canvas_ = nullptr;
  progress_ = 0;
  cancelled_ = false;
  if (destination_ == TRpDestination::rpdPrinter) {
    settings_.WriteSettings();
    topOffset_ = settings_.TopOffset();
    leftOffset_ = settings_.LeftOffset();
  } else {
    topOffset_ = leftOffset_ = 0;
  }
  pageCount_ = pageNumber_ = 0;
  status_ = TRpPrinterStatus::mpBusy;
  if (destination_ == TRpDestination::rpdMetafile) {
    pageList_ = std::make_unique<TRpPageList>();
    pageList_->SetStream(std::make_unique<TRpStream>(100000));
    pageList_->SetCompression(compression_);
    xFactor_ = yFactor_ = kRpScreenFactor;
  } else {
    xFactor_ = settings_.PixelsPerX() / 254.0;
    yFactor_ = settings_.PixelsPerY() / 254.0;
  }
}

void TRpPrinter::openMetafilePage() {
  xFactor_ = yFactor_ = kRpScreenFactor;
  page_ = std::make_unique<TRpPageRecorder>(QRect(0, 0, XSize(PaperWidth()), YSize(PaperLength())));
  pagePainter_ = std::make_unique<QPainter>(page_.get());
  canvas_ = pagePainter_.get();
}

void TRpPrinter::closeMetafilePage() {
  if (!page_) return;
  canvas_ = nullptr;
  if (destination_ == TRpDestination::rpdMetafile && pageList_) {
    pageList_->AddPage(std::move(page_), std::move(pagePainter_));
    return;
  }
  pagePainter_.reset();  // ends the painter: the page is discarded
  page_.reset();
}

void TRpPrinter::beginPrinterDocIfNeeded() {
  QPrinter* p = settings_.Printer();
  if (!p) return;
  if (!printing_) {
    p->setDocName(title_);
    printerPainter_ = std::make_unique<QPainter>();
    if (!printerPainter_->begin(p)) {
      printerPainter_.reset();
      throw printerRefused(settings_.PrinterName());
    }
    printing_ = true;
  } else {
    p->newPage();
  }
  canvas_ = printerPainter_.get();
  xFactor_ = settings_.PixelsPerX() / 254.0;
  yFactor_ = settings_.PixelsPerY() / 254.0;
}

void TRpPrinter::pageDone() {
  ++progress_;
  if (client_) client_->PageFinished(progress_);
  if (viewer_) viewer_->PageAvailable(progress_);
}

void TRpPrinter::NewPage() {
  if (status_ != TRpPrinterStatus::mpBusy) throw ERpError("Illegal call to NewPage");
  if (pageNumber_ > 0) {
    if (page_) {
      closeMetafilePage();  // recorded, or discarded when printing straight to the printer
    } else {
      canvas_ = nullptr;  // printer page: the next in-range page starts a new sheet
    }
    pageDone();
  }
  ++pageCount_;
  ++pageNumber_;
  if (destination_ == TRpDestination::rpdMetafile || !pageInRange(pageNumber_) || !settings_.Printer())
    openMetafilePage();
  else
    beginPrinterDocIfNeeded();
}

void TRpPrinter::EndDoc() {
  if (status_ != TRpPrinterStatus::mpBusy) return;
  const bool hadPage = pageNumber_ > 0;
  closeMetafilePage();
  canvas_ = nullptr;
  if (printing_) {
    printerPainter_->end();
    printerPainter_.reset();
    printing_ = false;
  }
  status_ = TRpPrinterStatus::mpFinished;
  if (hadPage) {
    ++progress_;
    if (client_) client_->PageFinished(progress_);
  }
  if (destination_ == TRpDestination::rpdMetafile && pageList_) pageList_->WriteFileHeader();
  if (viewer_) viewer_->PageAvailable(progress_);
  if (destination_ == TRpDestination::rpdPrinter && AfterPrintNotify) AfterPrintNotify();
}

void TRpPrinter::Abort() {
  if (printing_) {
    if (QPrinter* p = settings_.Printer()) p->abort();
    if (printerPainter_ && printerPainter_->isActive()) printerPainter_->end();
    printerPainter_.reset();
    printing_ = false;
  }
  closeMetafilePage();
  canvas_ = nullptr;
  if (status_ == TRpPrinterStatus::mpBusy) status_ = TRpPrinterStatus::mpFinished;
}

void TRpPrinter::Cancel() { cancelled_ = true; }

std::unique_ptr<TRpMetafile> TRpPrinter::GetPage(int n) {
  if (status_ != TRpPrinterStatus::mpBusy && status_ != TRpPrinterStatus::mpFinished) return nullptr;
  if (n < 1 || n > pageCount_ || !pageList_) return nullptr;
  return pageList_->GetPage(n);
}

void TRpPrinter::SetPageNumber(int n) {
  if (n < 1 || n > pageCount_) return;
  viewed_ = GetPage(n);
  pageNumber_ = n;
}

void TRpPrinter::SetProgressPercent(int p) {
  progressPercent_ = p;
  if (viewer_) viewer_->ProgressUpdate(p);
}

void TRpPrinter::SetShowingPreview(bool s) {
  const bool was = showingPreview_;
  showingPreview_ = s;
  if (was && !s) {
    if (status_ == TRpPrinterStatus::mpBusy) Cancel();
    if (AfterPreviewNotify) AfterPreviewNotify();
  }
}

void TRpPrinter::NotifyPreviewClosed() {
  if (client_) client_->PreviewClosed();
}

bool TRpPrinter::Preview() {
  if (OnPreview) {
    OnPreview();
    return false;
  }
  return rpPreviewInterface().Show(*this);
}

void TRpPrinter::PrintSetup() {
  if (OnPrintSetup) OnPrintSetup();
}

void TRpPrinter::Save(const QString& fileName) {
  if (status_ != TRpPrinterStatus::mpFinished || !pageList_)
    throw ERpError(ErrorKind::Report, fileName, QStringLiteral("o relatório ainda não foi gerado por inteiro"));
  pageList_->SaveToFile(fileName);
}

void TRpPrinter::Load(const QString& fileName) {
  // Check the whole file before dropping the pages held now.
  auto list = std::make_unique<TRpPageList>();
  list->LoadFromFile(fileName);
  // The first page gives the paper; a damaged one refuses the file, too.
  std::unique_ptr<TRpMetafile> first = list->PageCount() >= 1 ? list->GetPage(1) : nullptr;
  if (status_ != TRpPrinterStatus::mpReady) reset();
  pageList_ = std::move(list);
  pageCount_ = pageList_->PageCount();
  pageNumber_ = 0;
  xFactor_ = yFactor_ = kRpScreenFactor;
  topOffset_ = leftOffset_ = 0;
  if (first) {
    const QRect r = first->boundingRect();
    // In double: a damaged file may hold any rectangle, whose sides need not fit an int.
    const double w = std::trunc((double(r.right()) - r.left() + 1) / xFactor_ / 40);
    const double l = std::trunc((double(r.bottom()) - r.top() + 1) / xFactor_ / 40);
    for (int i = int(TRpPaperSize::Letter); i <= int(TRpPaperSize::ESheet); ++i) {
      double pw, pl;
      rpPaperDimensions(TRpPaperSize(i), pw, pl);
      const int a = int(pw / 40), b = int(pl / 40);
      if (a == w && b == l) {
        settings_.SetPaperSize(TRpPaperSize(i));
        settings_.SetOrientation(poPortrait);
      } else if (a == l && b == w) {
        settings_.SetPaperSize(TRpPaperSize(i));
        settings_.SetOrientation(poLandscape);
      }
    }
  }
  status_ = TRpPrinterStatus::mpFinished;
  OnExport = nullptr;
  loadedFromFile_ = true;
}

void TRpPrinter::Print() {
  if (client_ && !loadedFromFile_) {
    client_->PrintRequest();
    return;
  }
  if (status_ != TRpPrinterStatus::mpFinished || !settings_.PrinterOK() || !pageList_) return;
  QPrinter* p = settings_.Printer();
  if (!p) return;
  p->setDocName(title_);
  if (printing_) Abort();
  settings_.WriteSettings();
  const int first = firstPage_ > 0 ? firstPage_ : 1;
  const int last = lastPage_ > 0 ? qMin(lastPage_, pageCount_) : pageCount_;
  // Every page of a file is read before the job starts: a damaged one refuses the whole job
  // (a printer job cannot be taken back once pages went out).
  if (loadedFromFile_)
    for (int n = first; n <= last; ++n) (void)GetPage(n);
  QPainter painter;
  if (!painter.begin(p)) throw printerRefused(settings_.PrinterName());
  cancelled_ = false;
  const QRect area = p->pageLayout().paintRectPixels(p->resolution());
  for (int n = first; n <= last; ++n) {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
    const TRpMetafile* pic;
    try {
      SetPageNumber(n);  // the page being printed is the viewed page
      pic = ViewedPage();
    } catch (const ERpError&) {
      // The file changed under the job: stop it where it is.
      p->abort();
      painter.end();
      throw;
    }
    if (pic) {
      const QRect br = pic->boundingRect();
      painter.save();
      if (br.width() > 0 && br.height() > 0)
        painter.scale(double(area.width()) / br.width(), double(area.height()) / br.height());
      painter.drawPicture(0, 0, *pic);
      painter.restore();
    }
    if (cancelled_) {
      p->abort();
      painter.end();
      return;
    }
    if (n < last) p->newPage();
  }
  painter.end();
}

}  // namespace cotavia
