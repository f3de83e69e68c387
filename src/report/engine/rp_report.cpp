#include "report/engine/rp_report.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "report/engine/rp_measure.h"

namespace cotavia {

// ---------------------------------------------------------------------------------------------
// TRpPage

void TRpPage::applyPaper() {
  double w, l;
  if (!rpPaperDimensions(paperSize_, w, l)) return;
  if (orientation_ == poLandscape) std::swap(w, l);
  Width = w;
  Length = l;
}

void TRpPage::SetPaperSize(TRpPaperSize p) {
  paperSize_ = p;
  applyPaper();
}

void TRpPage::SetOrientation(TRpOrientation o) {
  orientation_ = o;
  applyPaper();
}

// ---------------------------------------------------------------------------------------------
// TRpFunctions

TRpFunctions::TRpFunctions() {
  values_[QStringLiteral("PAGENUMBER")] = 0;
  values_[QStringLiteral("COLUMNNUMBER")] = 0;
  values_[QStringLiteral("REPORTTITLE")] = QString();
}

QVariant TRpFunctions::Evaluate(const QString& expression) const {
  const QString e = expression.trimmed();
  if (e.size() >= 2 && e.startsWith(QLatin1Char('\'')) && e.endsWith(QLatin1Char('\''))) {
    QString s = e.mid(1, e.size() - 2);
    s.replace(QStringLiteral("''"), QStringLiteral("'"));
    return s;
  }
  bool ok = false;
  const double d = e.toDouble(&ok);
  if (ok) return d;
  const QString up = e.toUpper();
  if (up == QLatin1String("TRUE")) return true;
  if (up == QLatin1String("FALSE")) return false;
  auto it = values_.constFind(up);
  if (it != values_.constEnd()) return it.value();
  throw ERpError(QStringLiteral("Unknown identifier: %1").arg(e));
}

// ---------------------------------------------------------------------------------------------
// Bands

double TRpBandSize::Height() const { return report_ ? report_->ToUnits(NativeHeight, false) : NativeHeight / 10; }
double TRpBandSize::Width() const { return report_ ? report_->ToUnits(NativeWidth, true) : NativeWidth / 10; }
void TRpBandSize::SetHeight(double v) { NativeHeight = report_ ? report_->FromUnits(v, false) : v * 10; }
void TRpBandSize::SetWidth(double v) { NativeWidth = report_ ? report_->FromUnits(v, true) : v * 10; }

TRpCustomBand::TRpCustomBand(TRpReport* report, TRpBandType type) : report_(report), type_(type) {
  size_.report_ = report;
  size_.NativeHeight = 40 / kRpScreenFactor;  // 40 screen pixels
  if (report) {
    const TRpPage& p = report->Page();
    size_.NativeWidth = qMax(0.0, p.Width - p.LeftMargin - p.RightMargin);
  }
}

TRpCustomBand::~TRpCustomBand() = default;

TRpFont TRpReport::BandFont(const TRpCustomBand& band) const { return band.Font(); }
double TRpReport::BandNativeWidth(const TRpCustomBand& band) const { return band.Size().NativeWidth; }
double TRpReport::BandNativeHeight(const TRpCustomBand& band) const { return band.Size().NativeHeight; }

TRpFont TRpCustomBand::Font() const {
  if (!parentFont_) return font_;
  if (const auto* c = dynamic_cast<const TRpChildBand*>(this); c && c->ParentBand()) return c->ParentBand()->Font();
  return report_ ? report_->Font : font_;
}

void TRpCustomBand::SetFont(const TRpFont& f) {
  font_ = f;
  parentFont_ = false;
  for (auto& c : controls_)
    if (c->ParentFont()) c->SetParentFont(true);  // re-layout with the new font
}

void TRpCustomBand::SetHasChild(bool h) {
  if (h && !child_) {
    child_ = std::make_unique<TRpChildBand>(report_, this);
  } else if (!h) {
    child_.reset();
  }
}

void TRpCustomBand::adopt(std::unique_ptr<TRpPrintable> c) {
  c->SetParent(this, report_);
  controls_.push_back(std::move(c));
}

bool TRpCustomBand::ExpandBand(double amount, double& expanded, bool& firstRequest) {
  return report_ && report_->ExpandBand(this, amount, expanded, firstRequest);
}

// ---------------------------------------------------------------------------------------------
// TRpReport

namespace {

int bandOrder(TRpBandType t) {
  switch (t) {
    case rbTitle:
      return 0;
    case rbPageHeader:
      return 1;
    case rbColumnHeader:
      return 2;
    case rbGroupHeader:
      return 3;
    case rbDetail:
      return 4;
    case rbSubDetail:
      return 5;
    case rbGroupFooter:
      return 6;
    case rbSummary:
      return 7;
    case rbPageFooter:
      return 8;
    default:
      return 9;
  }
}

}  // namespace

TRpReport::TRpReport() : mailbox_(std::make_unique<QObject>()) {}

TRpReport::~TRpReport() {
  mailbox_.reset();  // drops requests still queued
  if (printer_) printer_->SetClient(nullptr);
  printer_.reset();
}

TRpBand* TRpReport::insertBand(std::unique_ptr<TRpBand> b) {
  TRpBand* raw = b.get();
  auto pos = std::upper_bound(bands_.begin(), bands_.end(), bandOrder(raw->BandType()),
                              [](int o, const std::unique_ptr<TRpBand>& x) { return o < bandOrder(x->BandType()); });
  bands_.insert(pos, std::move(b));
  return raw;
}

TRpBand* TRpReport::AddBand(TRpBandType type) {
  // Only bands the generation prints are taken: any other would vanish from every page.
  switch (type) {
    case rbTitle:
    case rbColumnHeader:
    case rbDetail:
    case rbSummary:
      if (HasBand(type))
        throw ERpError(
            QStringLiteral("The report already has a %1 band and prints only one").arg(rpBandTypeName(type)));
      break;
    case rbPageHeader:
    case rbPageFooter:
      break;
    case rbGroupHeader:
      return AddGroup();
    case rbGroupFooter:
      throw ERpError(QStringLiteral("A group footer band is made by its group (HasFooter)"));
    case rbChild:
      throw ERpError(QStringLiteral("A child band is made by its parent band (HasChild)"));
    case rbSubDetail:
    case rbOverlay:
    default:
      throw ERpError(QStringLiteral("The report cannot print a %1 band").arg(rpBandTypeName(type)));
  }
  return insertBand(std::make_unique<TRpBand>(this, type));
}

TRpGroup* TRpReport::AddGroup() { return static_cast<TRpGroup*>(insertBand(std::make_unique<TRpGroup>(this))); }

std::vector<TRpGroup*> TRpReport::Groups() const {
  std::vector<TRpGroup*> r;
  for (auto& b : bands_)
    if (b->BandType() == rbGroupHeader) r.push_back(static_cast<TRpGroup*>(b.get()));
  return r;
}

void TRpGroup::SetHasFooter(bool has) {
  if (has && !footer_) {
    footer_ = report_->insertBand(std::make_unique<TRpBand>(report_, rbGroupFooter));
  } else if (!has && footer_) {
    report_->RemoveBand(footer_);
  }
}

void TRpReport::RemoveBand(TRpCustomBand* band) {
  if (running_) return;
  for (auto it = bands_.begin(); it != bands_.end(); ++it)
    if (it->get() == band) {
      for (auto& o : bands_) {
        if (o->LinkBand == band) o->LinkBand = nullptr;
        if (o->BandType() == rbGroupHeader) {
          auto* g = static_cast<TRpGroup*>(o.get());
          if (g->footer_ == band) g->footer_ = nullptr;
        }
      }
      // A group takes its footer with it.
      TRpBand* footer = band->BandType() == rbGroupHeader ? static_cast<TRpGroup*>(band)->footer_ : nullptr;
      bands_.erase(it);
      if (footer) RemoveBand(footer);
      return;
    }
}

TRpBand* TRpReport::FindBand(TRpBandType type) const {
  for (auto& b : bands_)
    if (b->BandType() == type) return b.get();
  return nullptr;
}

std::vector<TRpBand*> TRpReport::Bands() const {
  std::vector<TRpBand*> r;
  for (auto& b : bands_) r.push_back(b.get());
  return r;
}

int TRpReport::TextWidth(const TRpFont& font, const QString& s) const {
  return rpdetail::textWidth(rpdetail::fontEntry(font), s);
}

int TRpReport::TextHeight(const TRpFont& font, const QString& s) const {
  (void)s;
  return rpdetail::fontEntry(font).height;
}

double TRpReport::ToUnits(double native, bool horizontal) const {
  switch (Units) {
    case TRpUnits::MM:
      return native / 10.0;
    case TRpUnits::Inches:
      return native / 254.0;
    case TRpUnits::Pixels:
      return native / (254.0 / kRpScreenDpi) * Zoom / 100.0;
    case TRpUnits::Characters: {
      // A character of the report's font: 0.6 em wide, 1.2 em high.
      const double em = Font.Size * 254.0 / 72.0;
      return native / (horizontal ? em * 0.6 : em * 1.2);
    }
    case TRpUnits::Native:
      return native;
  }
  return native;
}

double TRpReport::FromUnits(double value, bool horizontal) const {
  switch (Units) {
    case TRpUnits::MM:
      return value * 10.0;
    case TRpUnits::Inches:
      return value * 254.0;
    case TRpUnits::Pixels:
      return Zoom ? value * (254.0 / kRpScreenDpi) * 100.0 / Zoom : 0;
    case TRpUnits::Characters: {
      const double em = Font.Size * 254.0 / 72.0;
      return value * (horizontal ? em * 0.6 : em * 1.2);
    }
    case TRpUnits::Native:
      return value;
  }
  return value;
}

void TRpReport::processMessages() {
  if (!QCoreApplication::instance()) return;
  // Between records at most every 10 ms: the windows stay responsive and a cancel arrives,
  // without the cost of an event round per record.
  static QElapsedTimer clock;
  if (!clock.isValid()) clock.start();
  const qint64 now = clock.elapsed();
  if (lastMessages_ != 0 && now - lastMessages_ < 10) return;
  lastMessages_ = now == 0 ? 1 : now;
  QCoreApplication::processEvents();
}

void TRpReport::Cancel() {
  cancelled_ = true;
  if (printer_) printer_->Cancel();
}

void TRpReport::computeFooterSpace() {
  footerSpace_ = 0;
  for (auto& b : bands_) {
    if (b->BandType() != rbPageFooter || !b->Enabled) continue;
    footerSpace_ += b->Size().NativeHeight;
    for (TRpCustomBand* c = b->ChildBand(); c; c = c->ChildBand())
      if (c->Enabled) footerSpace_ += c->Size().NativeHeight;
  }
}

void TRpReport::prepareControls(bool prepare) {
  auto each = [&](TRpCustomBand* b, auto&& self) -> void {
    for (auto& c : b->Controls()) prepare ? c->Prepare() : c->Unprepare();
    if (b->ChildBand()) self(b->ChildBand(), self);
  };
  for (auto& b : bands_) each(b.get(), each);
}

double TRpReport::storePaperLength() const {
  // The page in the orientation in use: the printer already exchanges width and length in
  // landscape, so its length is the vertical extent of every page.
  return printer_ ? printer_->PaperLength() : page_.Length;
}

void TRpReport::installCallbacks(TRpPrinter& p) {
  p.SetClient(this);
  p.OnPrintSetup = [this] { PrintSetup(); };
  p.AfterPrintNotify = [this] {
    if (AfterPrint) AfterPrint(*this);
  };
  p.AfterPreviewNotify = [this] {
    wakePreviewWait();
    if (AfterPreview) AfterPreview(*this);
  };
  if (OnPreview)
    p.OnPreview = [this] { OnPreview(*this); };
  else
    p.OnPreview = nullptr;
  p.SetTitle(ReportTitle);
  p.SetAuthor(ReportAuthor);
}

void TRpReport::prepareStore(TRpPrinter& p) {
  if (PrinterSettings.PrinterIndex >= 0 && PrinterSettings.PrinterIndex != p.PrinterIndex())
    p.SetPrinterIndex(PrinterSettings.PrinterIndex);
  p.SetPaperSize(page_.PaperSize());
  if (page_.PaperSize() == TRpPaperSize::Custom) {
    p.SetPaperWidth(page_.Width);
    p.SetPaperLength(page_.Length);
  }
  p.SetOrientation(page_.Orientation());
  p.SetCopies(PrinterSettings.Copies);
  p.SetOutputBin(PrinterSettings.OutputBin);
  p.SetFirstPage(PrinterSettings.FirstPage);
  p.SetLastPage(PrinterSettings.LastPage);
  p.SetTitle(ReportTitle);
  p.SetCompression(Options.testFlag(TRpReportOption::Compression));
  p.BeginDoc();
}

void TRpReport::FreePrinter() {
  if (running_) return;
  if (printer_) printer_->SetClient(nullptr);
  printer_.reset();
  wakePreviewWait();
}

void TRpReport::Generate() {
  if (running_) return;
  // Margins that leave no room are dropped.
  if (page_.Width - page_.LeftMargin - page_.RightMargin < 0) page_.LeftMargin = page_.RightMargin = 0;
  if (page_.Length - page_.TopMargin - page_.BottomMargin < 0) page_.TopMargin = page_.BottomMargin = 0;
  // A fresh run: flags, counters and the running mark (cleared however the run ends).
  running_ = true;
  cancelled_ = lastPageFlag_ = titleFlag_ = columnFlag_ = false;
  detailNumber_ = 0;
  recordCount_ = 0;
  lastMessages_ = 0;
  pageBandDepth_ = 0;
  struct Running {
    bool& flag;
    ~Running() { flag = false; }
  } runningGuard{running_};

  // The report's BeforePrint event may decline the whole run.
  bool printReport = true;
  if (BeforePrint) BeforePrint(*this, printReport);
  if (!printReport) return;

  // Lengths are read in native units while generating; a report printer is made when none is set.
  savedUnits_ = Units;
  Units = TRpUnits::Native;
  if (!printer_) {
    printer_ = std::make_unique<TRpPrinter>(PrinterSettings.PdfPrinter);
    installCallbacks(*printer_);
  }
  TRpPrinter& p = *printer_;
  bool docOpen = false;
  bool prepared = false;
  try {
    // The page store opens its document; no page is started yet.
    prepareStore(p);
    docOpen = true;
    currentY_ = -1;
    pageNumber_ = 0;
    column_ = page_.Columns();
    // Room kept at the bottom of every page for the page footers.
    computeFooterSpace();
    currentX_ = page_.LeftMargin;
    // The values expressions may read: page and column numbers, the report title.
    functions_.SetValue(QStringLiteral("PAGENUMBER"), 0);
    functions_.SetValue(QStringLiteral("COLUMNNUMBER"), 0);
    functions_.SetValue(QStringLiteral("REPORTTITLE"), ReportTitle);
    prepared = true;
    prepareControls(true);
    // The bands over the data.
    runController();
    // The last page is finished (a cancelled run leaves it open for the abort).
    currentX_ = page_.LeftMargin;
    lastPageFlag_ = true;
    if (!cancelled_) FinishPage();
  } catch (...) {
    Units = savedUnits_;
    if (prepared) prepareControls(false);
    if (docOpen) {
      // The document is ended either way (aborted when cancelled); a failure here must not
      // hide the original one.
      try {
        if (cancelled_ || p.Cancelled())
          p.Abort();
        else
          p.EndDoc();
      } catch (...) {
      }
    }
    throw;
  }
  // Units and controls go back to their design state.
  Units = savedUnits_;
  prepareControls(false);
  // A cancelled run or a pass that only counted pages discards the document.
  if (cancelled_ || !finalPass_)
    p.Abort();
  else
    p.EndDoc();
}

void TRpReport::printOnceEmpty() {
  OutputBand(FindBand(rbTitle));
  OutputBand(FindBand(rbDetail));
  OutputBand(FindBand(rbSummary));
}

void TRpReport::runController() {
  TRpBand* title = FindBand(rbTitle);
  TRpBand* detail = FindBand(rbDetail);
  TRpBand* summary = FindBand(rbSummary);
  const std::vector<TRpGroup*> groups = Groups();
  for (TRpGroup* g : groups) {
    g->open_ = g->reprinting_ = false;
    g->value_ = QVariant();
  }
  const bool useDataSet = DataSet && DataSet->Active();
  // Without data set nor OnNeedData the bands print once, if the report prints when empty.
  if (!useDataSet && !OnNeedData) {
    if (PrintIfEmpty) printOnceEmpty();
    return;
  }
  // Is there a first record?
  bool more = false;
  if (useDataSet) {
    DataSet->First();
    more = !DataSet->Eof();
    recordCount_ = DataSet->RecordCount();
  } else {
    OnNeedData(*this, more);
  }
  // No record: the bands print once, if the report prints when empty.
  if (!more) {
    if (useDataSet && PrintIfEmpty) printOnceEmpty();
    return;
  }
  // A cancel pressed before the first band ends the run.
  detailNumber_ = 0;
  lastMessages_ = 0;
  processMessages();
  if (cancelled_ || printer_->Cancelled()) {
    cancelled_ = true;
    return;
  }
  // Title, then the column header of the first page.
  if (title) {
    OutputBand(title);
    titleFlag_ = true;
  }
  if (pageNumber_ < 2) {
    TRpBand* ch = FindBand(rbColumnHeader);
    if (ch && ch->Enabled) {
      OutputBand(ch);
      titleFlag_ = true;
    }
  }
  // One detail band per record, inside the headers and footers of its groups, with the
  // progress after each.
  while (more) {
    processMessages();
    if (cancelled_ || printer_->Cancelled()) {
      cancelled_ = true;
      return;
    }
    ++detailNumber_;
    openGroups(groups);
    OutputBand(detail);
    if (useDataSet) {
      DataSet->Next();
      more = !DataSet->Eof();
    } else {
      more = false;
      OnNeedData(*this, more);
    }
    if (more) closeChangedGroups(groups);
    if (useDataSet && recordCount_ != 0) printer_->SetProgressPercent(int(qint64(detailNumber_) * 100 / recordCount_));
  }
  // The footers of the last groups, then the summary, on a page of its own if no page was started.
  closeGroups(groups, 0);
  if (summary) {
    if (pageNumber_ == 0) NextPage();
    OutputBand(summary);
  }
}

// The groups that start at the current record print their headers, outermost first. A group is
// open once its header printed, so a page break the header itself causes does not repeat it.
void TRpReport::openGroups(const std::vector<TRpGroup*>& groups) {
  for (TRpGroup* g : groups) {
    if (g->open_) continue;
    g->value_ = g->Expression ? g->Expression() : QVariant();
    OutputBand(g);
    g->open_ = true;
  }
}

// Closes the groups from `outermost` inwards: footers print innermost first. A footer that
// breaks the page still has its group's header repeated above it.
void TRpReport::closeGroups(const std::vector<TRpGroup*>& groups, size_t outermost) {
  for (size_t i = groups.size(); i-- > outermost;) {
    if (!groups[i]->open_) continue;
    OutputBand(groups[i]->footer_);
    groups[i]->open_ = false;
  }
}

// On the next record: the outermost group whose value changed closes, with every group inside it.
void TRpReport::closeChangedGroups(const std::vector<TRpGroup*>& groups) {
  for (size_t i = 0; i < groups.size(); ++i) {
    const QVariant v = groups[i]->Expression ? groups[i]->Expression() : QVariant();
    if (v != groups[i]->value_) {
      closeGroups(groups, i);
      return;
    }
  }
}

void TRpReport::reprintGroupHeaders() {
  for (TRpGroup* g : Groups()) {
    if (!g->open_ || !g->ReprintHeader) continue;
    g->reprinting_ = true;
    OutputBand(g);
    g->reprinting_ = false;
  }
}

void TRpReport::OutputBand(TRpCustomBand* band) {
  if (!band || !printer_) return;
  if (band->AlignToBottom) {
    const double y =
        double(rpRound(storePaperLength() - page_.BottomMargin - band->Size().NativeHeight - footerSpace_));
    if (y > currentY_) currentY_ = y;
  }
  // A disabled band, or one its BeforePrint event declines, takes no space.
  bool printBand = band->Enabled;
  if (printBand && band->BeforePrint) band->BeforePrint(*band, printBand);
  if (printBand) {
    MakeRoomForBand(band);
    PrintBandAcrossColumns(band);
    currentY_ = double(rpRound(currentY_ + band->Size().NativeHeight + band->expanded_));
  }
  // AfterPrint is told whether the band printed.
  if (band->AfterPrint) band->AfterPrint(*band, printBand);
  OutputChildBand(band);
}

// Starts the page or column the band asks for, or the next one when the band does not fit. Title,
// page header, page footer and overlay bands never force a break.
void TRpReport::MakeRoomForBand(TRpCustomBand* band) {
  const TRpBandType type = band->BandType();
  // Nor do the bands a page or column start prints (column header, repeated group headers).
  const bool exempt =
      type == rbTitle || type == rbPageHeader || type == rbPageFooter || type == rbOverlay || pageBandDepth_ > 0;
  if (band->ForceNewPage && !exempt && pageNumber_ > 0) {
    StartPage();
  } else if (band->ForceNewColumn && !exempt) {
    if (pageNumber_ > 0)
      StartColumn();
    else
      EnsureSpace(band);
  } else {
    EnsureSpace(band);
  }
}

// Prints the band's controls at the current position; while a control continues (a label longer
// than its band), the band goes on in the next column or page with the unfinished controls.
void TRpReport::PrintBandAcrossColumns(TRpCustomBand* band) {
  TRpPrinter& p = *printer_;
  const double height = band->Size().NativeHeight;
  const double width = band->Size().NativeWidth;
  band->expanded_ = 0;
  bool firstPass = true;
  for (;;) {
    band->rect_ = QRect(QPoint(p.XPos(currentX_), p.YPos(currentY_)),
                        QPoint(p.XPos(currentX_ + width) - 1, p.YPos(currentY_ + height) - 1));
    QPainter* cv = p.Canvas();
    const bool filled = finalPass_ && cv && firstPass && band->Color != Qt::transparent;
    if (filled) rpFillRect(*cv, band->rect_, band->Color);
    const bool allDone = PrintBandControls(band, firstPass, filled);
    cv = p.Canvas();
    if (finalPass_ && cv && band->Frame.Present())
      band->Frame.PaintIt(*cv, band->rect_.left(), band->rect_.top(), p.XPos(currentX_ + width),
                          p.YPos(currentY_ + height + band->expanded_) + 1, p.XFactor(), p.YFactor());
    if (allDone) return;
    NextColumn();
    band->expanded_ = 0;
    firstPass = false;
    if (cv = p.Canvas(); finalPass_ && cv && band->Color != Qt::transparent)
      rpFillRect(*cv,
                 QRect(QPoint(p.XPos(currentX_), p.YPos(currentY_)),
                       QPoint(p.XPos(currentX_ + width) - 1, p.YPos(currentY_ + height) - 1)),
                 band->Color);
  }
}

// One pass over the band's controls (every printable control on the first pass, the unfinished
// ones after it). A control that nothing drawn before it in this pass overlaps learns the band's
// colour under it, so it need not paint its own background. True when every control finished.
bool TRpReport::PrintBandControls(TRpCustomBand* band, bool firstPass, bool filled) {
  bool allDone = true;
  std::vector<QRectF> drawn;  // areas already drawn over by earlier controls of this pass
  for (auto& c : band->controls_) {
    if (!c->Printable()) continue;
    if (firstPass || !c->Finished()) {
      const TRpPrintableSize& s = c->Size();
      // What a control may cover beyond its rectangle: a label grown by AutoSize (to either
      // side), a shape's pen.
      double grow = qMax(0.0, c->PixelWidth() / kRpScreenFactor - s.NativeWidth);
      if (const auto* sh = dynamic_cast<const TRpShape*>(c.get())) grow += (sh->Pen.widthF() + 1) / kRpScreenFactor;
      const double pad = grow > 0 ? grow : 0.01;
      const QRectF r(s.NativeLeft - grow, s.NativeTop - pad, s.NativeWidth + 2 * grow, s.NativeHeight + 2 * pad);
      bool clear = filled;
      for (const QRectF& d : drawn)
        if (clear && d.intersects(r)) clear = false;
      c->underColor_ = clear ? band->Color : QColor();
      c->Print(currentX_, currentY_);
      c->underColor_ = QColor();
      drawn.push_back(r);
    }
    if (!c->Finished()) allDone = false;
  }
  return allDone;
}

// A child band prints right after its parent; a page footer's child prints as a page footer.
void TRpReport::OutputChildBand(TRpCustomBand* band) {
  TRpChildBand* child = band->ChildBand();
  if (!child) return;
  if (band->BandType() == rbPageFooter) {
    child->SetBandType(rbPageFooter);
    OutputBand(child);
    child->SetBandType(rbChild);
  } else {
    OutputBand(child);
  }
}

void TRpReport::EnsureSpace(TRpCustomBand* band) {
  double needed = band->Size().NativeHeight;
  int guard = 0;
  for (TRpCustomBand* l = band->LinkBand; l && l != band && guard < int(bands_.size()); l = l->LinkBand, ++guard)
    needed += l->Size().NativeHeight;
  // Bands printed by the page routines (headers, footers) never break the page themselves.
  if (band->BandType() != rbPageFooter && pageBandDepth_ == 0 && needed > FreeSpace()) {
    if (needed <= page_.Length - (page_.TopMargin + page_.BottomMargin)) {
      NextColumn();
      return;
    }
  }
  if (pageNumber_ == 0) NextColumn();
}

double TRpReport::FreeSpace() const {
  if (!running_ || currentY_ == -1) return 0;
  return double(rpRound(storePaperLength() - page_.BottomMargin - footerSpace_ - currentY_));
}

bool TRpReport::CanExpand(TRpCustomBand* band, double amount) const {
  if (!band || !running_) return false;
  return FreeSpace() >= double(rpRound(band->Size().NativeHeight + band->expanded_ + amount));
}

bool TRpReport::ExpandBand(TRpCustomBand* band, double amount, double& expanded, bool& firstRequest) {
  if (!CanExpand(band, amount)) return false;
  if (!firstRequest && amount < band->expanded_) {
    expanded = band->expanded_;
    firstRequest = true;
    return true;
  }
  band->expanded_ += amount;
  expanded = band->expanded_;
  firstRequest = true;
  return false;
}

void TRpReport::NextColumn() {
  if (column_ < page_.Columns()) {
    const TRpBand* detail = FindBand(rbDetail);
    const double colWidth = detail ? detail->Size().NativeWidth
                                   : double(qint64(page_.Width - page_.LeftMargin - page_.RightMargin -
                                                   page_.ColumnSpace * (page_.Columns() - 1)) /
                                            page_.Columns());
    currentX_ += colWidth + page_.ColumnSpace;
    currentY_ = columnTop_;
    ++column_;
  } else {
    column_ = 1;
    currentX_ = page_.LeftMargin;
    NextPage();
  }
  functions_.SetValue(QStringLiteral("COLUMNNUMBER"), column_);
  if (!(pageNumber_ == 1 && column_ == 1)) {
    ++pageBandDepth_;
    OutputBand(FindBand(rbColumnHeader));
    reprintGroupHeaders();
    --pageBandDepth_;
  }
}

void TRpReport::StartColumn() {
  if (!running_) return;
  if (!columnFlag_ && column_ < 2) {
    columnFlag_ = true;
    return;
  }
  NextColumn();
}

void TRpReport::StartPage() {
  if (!running_) return;
  if (titleFlag_) {
    titleFlag_ = false;
    return;
  }
  do {
    NextColumn();
  } while (column_ != 1);
}

void TRpReport::NextPage() {
  FinishPage();
  ++pageNumber_;
  functions_.SetValue(QStringLiteral("PAGENUMBER"), pageNumber_);
  if (finalPass_ || pageNumber_ == 1) printer_->NewPage();
  currentY_ = double(rpRound(page_.TopMargin));
  if (OnStartPage) OnStartPage(*this);
  if (pageNumber_ > 1 || Options.testFlag(TRpReportOption::FirstPageHeader)) {
    ++pageBandDepth_;
    for (auto& b : bands_)
      if (b->BandType() == rbPageHeader) OutputBand(b.get());
    --pageBandDepth_;
  }
  columnTop_ = currentY_;
  if (pageNumber_ == 1)
    if (TRpBand* t = FindBand(rbTitle)) columnTop_ += t->Size().NativeHeight;
}

void TRpReport::FinishPage() {
  if (pageNumber_ == 0 || !printer_) return;
  currentY_ = page_.Length - page_.BottomMargin - footerSpace_;
  currentX_ = page_.LeftMargin;
  if (!(lastPageFlag_ && !Options.testFlag(TRpReportOption::LastPageFooter))) {
    ++pageBandDepth_;
    for (auto& b : bands_)
      if (b->BandType() == rbPageFooter) OutputBand(b.get());
    --pageBandDepth_;
  }
  if (finalPass_ && Frame.Present())
    if (QPainter* cv = printer_->Canvas())
      Frame.PaintIt(*cv, printer_->XPos(page_.LeftMargin), printer_->YPos(page_.TopMargin),
                    printer_->XPos(page_.Width - page_.RightMargin), printer_->YPos(page_.Length - page_.BottomMargin),
                    printer_->XFactor(), printer_->YFactor());
  if (OnEndPage) OnEndPage(*this);
}

void TRpReport::Preview() {
  if (!running_) {
    FreePrinter();
    printer_ = std::make_unique<TRpPrinter>(PrinterSettings.PdfPrinter);
  }
  TRpPrinter* p = printer_.get();
  if (p->ShowingPreview()) return;
  p->SetDestination(TRpDestination::rpdMetafile);
  installCallbacks(*p);
  const bool shown = p->Preview();
  Generate();
  if (cancelled_) {
    if (printer_.get() == p) FreePrinter();
    return;
  }
  if (!shown) return;  // no window: the pages stay in RpPrinter()
  // Wait for the window to close in an event loop of our own: the window's closing (or the
  // printer being freed) ends it, so the wait takes no processor time. A slow check besides
  // covers any other way the preview could end.
  auto showing = [this, p] {
    return printer_.get() == p && p->ShowingPreview() && QCoreApplication::instance() &&
           !QCoreApplication::closingDown();
  };
  QEventLoop wait;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, &wait, [&] {
    if (!showing()) wait.quit();
  });
  check.start(1000);
  QEventLoop* outer = previewWait_;
  previewWait_ = &wait;
  while (showing()) wait.exec();
  previewWait_ = outer;
}

void TRpReport::wakePreviewWait() {
  if (previewWait_) previewWait_->quit();
}

void TRpReport::Print() {
  if (running_) return;
  std::unique_ptr<TRpPrinter> previous = std::move(printer_);
  printer_ = std::make_unique<TRpPrinter>(PrinterSettings.PdfPrinter);
  struct Restore {
    TRpReport* r;
    std::unique_ptr<TRpPrinter>& prev;
    ~Restore() {
      if (r->printer_) {
        r->printer_->SetViewer(nullptr);
        r->printer_->SetClient(nullptr);
      }
      r->printer_ = std::move(prev);
    }
  } restore{this, previous};
  if (!printer_->PrinterOK()) return;
  PrintedFile.clear();
  bool toPdfFile = false;
  {
    // The PDF printer without a file asks where this print goes.
    const TRpPdfPrinter& pdf = PrinterSettings.PdfPrinter;
    const QStringList names = TPrinterSettings::PrinterNames(pdf);
    const int index = PrinterSettings.PrinterIndex >= 0 ? PrinterSettings.PrinterIndex : printer_->PrinterIndex();
    if (index >= 0 && index < names.size() && names.at(index) == pdf.Name) {
      toPdfFile = true;
      PrintedFile = pdf.File;
      if (PrintedFile.isEmpty()) {
        PrintedFile = rpPreviewInterface().AskPdfFile(pdf.Suggestion);
        if (PrintedFile.isEmpty()) return;
        printer_->SetPrinterIndex(index);
        printer_->SetOutputFile(PrintedFile);
      }
    }
  }
  if (toPdfFile && WritePdf) {
    // Recorded on the PDF printer's paper, then written by WritePdf.
    printer_->SetDestination(TRpDestination::rpdMetafile);
    installCallbacks(*printer_);
    Generate();
    if (cancelled_ || printer_->Status() != TRpPrinterStatus::mpFinished) return;
    WritePdf(*printer_, PrintedFile);
    if (AfterPrint) AfterPrint(*this);
    return;
  }
  printer_->SetDestination(TRpDestination::rpdPrinter);
  installCallbacks(*printer_);
  std::unique_ptr<TRpPrinterViewer> progress = rpPreviewInterface().CreateProgressForm(*printer_, ShowProgress);
  printer_->SetViewer(progress.get());
  try {
    Generate();
  } catch (...) {
    printer_->SetViewer(nullptr);
    throw;
  }
  printer_->SetViewer(nullptr);
}

bool TRpReport::PrintSetup() {
  TRpPrintDialogData d;
  d.PrinterIndex =
      PrinterSettings.PrinterIndex >= 0 ? PrinterSettings.PrinterIndex : (printer_ ? printer_->PrinterIndex() : -1);
  d.MinPage = 0;
  d.MaxPage = 9999;
  if (printer_ && printer_->Status() == TRpPrinterStatus::mpFinished) {
    d.MinPage = 1;
    d.MaxPage = printer_->PageCount();
    d.FromPage = 1;
    d.ToPage = d.MaxPage;
  }
  d.PageNums = true;
  d.Warning = true;
  d.Orientation = page_.Orientation();
  d.Copies = PrinterSettings.Copies;
  d.PdfPrinter = PrinterSettings.PdfPrinter;
  if (!rpPreviewInterface().ExecutePrintDialog(d)) {
    Tag = 1;
    return false;
  }
  PrinterSettings.Copies = d.Copies;
  PrinterSettings.PrinterIndex = d.PrinterIndex;
  PrinterSettings.PdfPrinter = d.PdfPrinter;
  page_.SetOrientation(d.Orientation);
  if (d.PrintRange == TRpPrintRange::prPageNums) {
    PrinterSettings.FirstPage = d.FromPage;
    PrinterSettings.LastPage = d.ToPage;
  } else {
    PrinterSettings.FirstPage = 0;
    PrinterSettings.LastPage = 0;
  }
  Tag = 0;
  return true;
}

void TRpReport::PrintRequest() {
  QTimer::singleShot(0, mailbox_.get(), [this] { Print(); });
}

void TRpReport::PreviewClosed() {
  TRpPrinter* p = printer_.get();
  QTimer::singleShot(0, mailbox_.get(), [this, p] {
    if (printer_.get() != p) return;
    if (!running_) {
      FreePrinter();
    } else {
      cancelled_ = true;
      if (printer_) printer_->Cancel();
    }
  });
}

void TRpReport::PageFinished(int page) { (void)page; }

}  // namespace cotavia
