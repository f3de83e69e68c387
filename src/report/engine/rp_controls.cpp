#include "report/engine/rp_controls.h"

#include <QFontMetricsF>
#include <QLocale>
#include <algorithm>
#include <vector>

#include "platform/codepage.h"
#include "report/engine/rp_measure.h"
#include "report/output/rp_printer.h"

namespace cotavia {

// ---------------------------------------------------------------------------------------------
// Measuring

namespace rpdetail {

const FontEntry& fontEntry(const TRpFont& font, int dpi) {
  static std::vector<std::unique_ptr<FontEntry>> cache;
  static FontEntry* last = nullptr;
  if (last && last->dpi == dpi && last->font == font) return *last;
  for (auto& e : cache)
    if (e->dpi == dpi && e->font == font) {
      last = e.get();
      return *last;
    }
  auto e = std::make_unique<FontEntry>();
  e->font = font;
  e->dpi = dpi;
  e->qfont = font.toQFont(dpi);
  QFontMetricsF fm(e->qfont);
  for (int c = 0; c < 256; ++c) e->adv[c] = (c < 32 || (c >= 127 && c < 160)) ? 0.0 : fm.horizontalAdvance(QChar(c));
  QFontMetrics fmi(e->qfont);
  e->height = fmi.ascent() + fmi.descent();
  e->ascent = fmi.ascent();
  last = e.get();
  cache.push_back(std::move(e));
  return *last;
}

double rawAdvance(const FontEntry& e, const QString& s) {
  double w = 0;
  const QChar* p = s.constData();
  const qsizetype n = s.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t u = p[i].unicode();
    if (u < 256) {
      w += e.adv[u];
    } else {
      auto it = e.other.constFind(u);
      if (it == e.other.constEnd()) it = e.other.insert(u, QFontMetricsF(e.qfont).horizontalAdvance(QChar(u)));
      w += it.value();
    }
  }
  return w;
}

}  // namespace rpdetail

using rpdetail::fontEntry;
using rpdetail::rawAdvance;

// ---------------------------------------------------------------------------------------------
// TRpFrame

void TRpFrame::PaintIt(QPainter& canvas, int l, int t, int r, int b, double xf, double yf) const {
  if (!Present()) return;
  int tx, ty;
  if (Width == -1) {
    tx = ty = 1;
  } else {
    tx = int(rpRound(xf / 72.0 * 254.0 * Width));
    ty = int(rpRound(yf / 72.0 * 254.0 * Width));
    if (Width >= 1) {
      tx = qMax(tx, 1);
      ty = qMax(ty, 1);
    }
  }
  if (DrawTop) rpFillRect(canvas, QRect(QPoint(l, t), QPoint(r - 1, t + ty - 1)), Color);
  if (DrawBottom) rpFillRect(canvas, QRect(QPoint(l, b - ty), QPoint(r - 1, b - 1)), Color);
  if (DrawLeft) rpFillRect(canvas, QRect(QPoint(l, t), QPoint(l + tx - 1, b - 1)), Color);
  if (DrawRight) rpFillRect(canvas, QRect(QPoint(r - tx, t), QPoint(r - 1, b - 1)), Color);
  canvas.setBrush(Qt::NoBrush);
  canvas.setPen(QPen(Color, 1, Style));
}

// ---------------------------------------------------------------------------------------------
// TRpPrintableSize

namespace {
double toUnits(const TRpPrintable* o, double v, bool h) {
  return o && o->Report() ? o->Report()->ToUnits(v, h) : v / 10.0;
}
double fromUnits(const TRpPrintable* o, double v, bool h) {
  return o && o->Report() ? o->Report()->FromUnits(v, h) : v * 10.0;
}
}  // namespace

double TRpPrintableSize::Left() const { return toUnits(owner_, NativeLeft, true); }
double TRpPrintableSize::Top() const { return toUnits(owner_, NativeTop, false); }
double TRpPrintableSize::Width() const { return toUnits(owner_, NativeWidth, true); }
double TRpPrintableSize::Height() const { return toUnits(owner_, NativeHeight, false); }
void TRpPrintableSize::SetLeft(double v) {
  NativeLeft = fromUnits(owner_, v, true);
  if (owner_) owner_->BoundsChanged();
}
void TRpPrintableSize::SetTop(double v) {
  NativeTop = fromUnits(owner_, v, false);
  if (owner_) owner_->BoundsChanged();
}
void TRpPrintableSize::SetWidth(double v) {
  NativeWidth = fromUnits(owner_, v, true);
  if (owner_) owner_->BoundsChanged();
}
void TRpPrintableSize::SetHeight(double v) {
  NativeHeight = fromUnits(owner_, v, false);
  if (owner_) owner_->BoundsChanged();
}

// ---------------------------------------------------------------------------------------------
// TRpPrintable

TRpPrintable::TRpPrintable() {
  size_.owner_ = this;
  // 65 x 65 screen pixels until sized.
  size_.NativeWidth = size_.NativeHeight = 65 / kRpScreenFactor;
  pixelWidth_ = pixelHeight_ = 65;
}

TRpPrintable::~TRpPrintable() = default;

void TRpPrintable::SetBounds(double left, double top, double width, double height) {
  size_.NativeLeft = fromUnits(this, left, true);
  size_.NativeTop = fromUnits(this, top, false);
  size_.NativeWidth = fromUnits(this, width, true);
  size_.NativeHeight = fromUnits(this, height, false);
  BoundsChanged();
}

void TRpPrintable::BoundsChanged() {
  if (updatingBounds_) return;
  const double zoom = report_ ? report_->Zoom / 100.0 : 1.0;
  pixelWidth_ = int(rpRound(size_.NativeWidth * kRpScreenFactor * zoom));
  pixelHeight_ = int(rpRound(size_.NativeHeight * kRpScreenFactor * zoom));
  placeByBand();
}

void TRpPrintable::SetAlignment(TRpAlignment a) {
  alignment_ = a;
  placeByBand();
}

void TRpPrintable::SetAlignToBand(bool a) {
  alignToBand_ = a;
  placeByBand();
}

bool TRpPrintable::RightToLeft() const { return BiDiMode == bdRightToLeft; }

void TRpPrintable::placeByBand() {
  if (!alignToBand_ || updatingBounds_) return;
  updatingBounds_ = true;
  switch (alignment_) {
    case taLeftJustify:
      size_.NativeLeft = 0;
      break;
    case taRightJustify:
      if (band_ && report_) size_.NativeLeft = report_->BandNativeWidth(*band_) - size_.NativeWidth;
      break;
    case taCenter:
      if (band_ && report_) size_.NativeLeft = double(qint64(report_->BandNativeWidth(*band_) - size_.NativeWidth) / 2);
      break;
  }
  updatingBounds_ = false;
}

TRpFont TRpPrintable::Font() const {
  if (!parentFont_) return font_;
  if (band_ && report_) return report_->BandFont(*band_);
  if (report_) return report_->Font;
  return font_;
}

void TRpPrintable::SetParentFont(bool p) {
  if (!p && parentFont_) font_ = Font();
  parentFont_ = p;
  FontChanged();
}

void TRpPrintable::SetFont(const TRpFont& f) {
  font_ = f;
  parentFont_ = false;
  FontChanged();
}

void TRpPrintable::SetParent(TRpCustomBand* band, TRpControlHost* report) {
  band_ = band;
  report_ = report;
  BoundsChanged();
  ParentChanged();
}

void TRpPrintable::Prepare() {
  isPrinting_ = true;
  printer_ = report_ ? report_->RpPrinter() : nullptr;
  finished_ = true;
}

void TRpPrintable::Unprepare() { isPrinting_ = false; }

bool TRpPrintable::finalPass() const { return !report_ || report_->FinalPass(); }

void TRpPrintable::Print(double ofsX, double ofsY) {
  TRpPrinter* p = printer_ ? printer_ : (report_ ? report_->RpPrinter() : nullptr);
  if (!p || !p->Canvas() || !finalPass() || !Frame.Present()) return;
  Frame.PaintIt(*p->Canvas(), p->XPos(size_.NativeLeft + ofsX), p->YPos(size_.NativeTop + ofsY),
                p->XPos(size_.NativeLeft + ofsX + size_.NativeWidth),
                p->YPos(size_.NativeTop + ofsY + size_.NativeHeight), p->XFactor(), p->YFactor());
}

// ---------------------------------------------------------------------------------------------
// TRpCustomLabel

TRpCustomLabel::TRpCustomLabel() = default;

void TRpCustomLabel::SetAutoSize(bool a) {
  autoSize_ = a;
  doneFormat_ = false;
  if (!a) BoundsChanged();
  FormatLines();
}

void TRpCustomLabel::SetWordWrap(bool w) {
  wordWrap_ = w;
  doneFormat_ = false;
}

void TRpCustomLabel::SetCaption(const QString& c) {
  caption_ = c;
  printCaption_ = c;
  doneFormat_ = false;
  FormatLines();
}

void TRpCustomLabel::SetCaptionCp1252(const QByteArray& bytes) { SetCaption(fromCp1252(bytes)); }

void TRpCustomLabel::FontChanged() {
  doneFormat_ = false;
  FormatLines();
}

void TRpCustomLabel::ParentChanged() {
  doneFormat_ = false;
  FormatLines();
}

void TRpCustomLabel::BoundsChanged() {
  if (updatingBounds_) return;
  TRpPrintable::BoundsChanged();
  doneFormat_ = false;
}

int TRpCustomLabel::lineWidth(const QString& s) const {
  const int w = rpdetail::textWidth(fontEntry(Font()), s);
  const int zoom = report_ ? report_->Zoom : 100;
  return zoom == 100 ? w : int(rpRound(double(w) * zoom / 100.0));
}

void TRpCustomLabel::FormatLines() {
  if (!band_ && !report_) return;
  lines_.clear();
  layoutText(printCaption_);
  if (autoSize_ && report_ && !updatingBounds_) {
    int widest = 0;
    for (const QString& l : lines_) widest = qMax(widest, lineWidth(l));
    if (Frame.DrawLeft) widest += qMax(Frame.Width, 0);
    if (Frame.DrawRight) widest += qMax(Frame.Width, 0);
    updatingBounds_ = true;
    pixelWidth_ = widest;
    const int minH = report_->TextHeight(Font(), QStringLiteral("W")) * report_->Zoom / 100 + 1;
    if (pixelHeight_ < minH) pixelHeight_ = minH;
    updatingBounds_ = false;
  }
  doneFormat_ = true;
}

void TRpCustomLabel::layoutText(const QString& text) {
  QString t = text;
  t.remove(QLatin1Char('\n'));
  qsizetype from = 0;
  for (;;) {
    const qsizetype cr = t.indexOf(QLatin1Char('\r'), from);
    if (cr < 0) break;
    layoutParagraph(t.mid(from, cr - from));
    from = cr + 1;
  }
  layoutParagraph(t.mid(from));
}

void TRpCustomLabel::layoutParagraph(const QString& para) {
  if (autoSize_) {
    lines_.append(para);
    return;
  }
  const rpdetail::FontEntry& fe = fontEntry(Font());
  const int zoom = report_ ? report_->Zoom : 100;
  auto widthOf = [&](double raw) {
    const int w = int(rpRound(raw)) + 1;
    return zoom == 100 ? w : int(rpRound(double(w) * zoom / 100.0));
  };
  const int W = pixelWidth_;
  QString line;
  double lineRaw = 0;
  bool finished = false;
  qsizetype i = 0;
  const qsizetype n = para.size();
  while (i < n) {
    // A word runs up to and including the first break character.
    qsizetype j = i;
    while (j < n) {
      const QChar c = para.at(j++);
      if (c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('\r')) break;
    }
    QString word = para.mid(i, j - i);
    i = j;
    double wordRaw = rawAdvance(fe, word);
    if (widthOf(lineRaw + wordRaw) <= W) {
      line += word;
      lineRaw += wordRaw;
      continue;
    }
    if (line.isEmpty()) {
      // Take characters while the line stays narrower than the label; drop the rest.
      qsizetype k = 0;
      while (k < word.size() && widthOf(lineRaw + rawAdvance(fe, word.at(k))) < W) {
        lineRaw += rawAdvance(fe, word.at(k));
        line += word.at(k);
        ++k;
      }
      lines_.append(line);
      line.clear();
      lineRaw = 0;
      word.clear();
      wordRaw = 0;
    } else {
      lines_.append(line);
      line.clear();
      lineRaw = 0;
      if (widthOf(wordRaw) > W) {
        // The longest beginning of the word that fits (possibly none). Its widths grow with each
        // character, so a binary search over the measured widths of its beginnings finds it;
        // each width is summed in the order rawAdvance() sums it, so the cut is the same as
        // taking characters off the end one by one.
        std::vector<double> widths(word.size() + 1);
        widths[0] = 0;
        for (qsizetype k = 0; k < word.size(); ++k) widths[k + 1] = widths[k] + rawAdvance(fe, word.at(k));
        const auto tooWide =
            std::partition_point(widths.begin(), widths.end(), [&](double raw) { return widthOf(raw) <= W; });
        word.truncate(qMax<qsizetype>(0, (tooWide - widths.begin()) - 1));
        lines_.append(word);
        word.clear();
        wordRaw = 0;
      }
    }
    if (!wordWrap_) {
      word.clear();
      wordRaw = 0;
      finished = true;
    }
    line += word;
    lineRaw += wordRaw;
  }
  if (!finished) lines_.append(line);
}

double TRpCustomLabel::LinesHeight() {
  const TRpPrinter* p = printer_ ? printer_ : (report_ ? report_->RpPrinter() : nullptr);
  const double yFactor = p ? p->YFactor() : kRpScreenFactor;
  if (!doneFormat_) FormatLines();
  return lines_.size() * (fontEntry(Font(), int(rpRound(yFactor * 254.0))).height / yFactor);
}

void TRpCustomLabel::Prepare() {
  TRpPrintable::Prepare();
  currentLine_ = 0;
  SetCaption(caption_);
}

// Where one print of a label draws: the printer, whether this pass draws on its canvas, the font
// and line height, the text's rectangle (the frame's inset applied once the background is
// painted), the aligned text's origin, the bottom the lines must fit above and how far the band
// has grown for them.
struct TRpCustomLabel::PrintArea {
  TRpPrinter* p = nullptr;
  QPainter* cv = nullptr;
  bool draw = false;
  TRpFont font;
  const rpdetail::FontEntry* fe = nullptr;
  double X = 0, Y = 0, W = 0, H = 0, LH = 0;
  TRpAlignment align = taLeftJustify;
  double origin = 0;
  double bottom = 0;
  double expanded = 0;
};

void TRpCustomLabel::Print(double ofsX, double ofsY) {
  if (!Printable()) return;
  TRpPrinter* p = printer_ ? printer_ : (report_ ? report_->RpPrinter() : nullptr);
  if (!p) return;
  PrintArea a;
  a.p = p;
  a.cv = p->Canvas();
  a.draw = finalPass() && a.cv;
  a.X = size_.NativeLeft + ofsX;
  a.Y = size_.NativeTop + ofsY;
  a.W = size_.NativeWidth;
  a.H = size_.NativeHeight;

  QString designed;
  const bool replaced = takePrintValue(designed);
  // The font as the OnPrint handler left it, at the printer's resolution.
  a.font = Font();
  a.fe = &fontEntry(a.font, int(rpRound(p->YFactor() * 254.0)));
  a.LH = a.fe->height / p->YFactor();
  if (!doneFormat_) FormatLines();
  // The laid-out width is in screen pixels; convert it with the screen's factor.
  if (autoSize_) a.W = pixelWidth_ / kRpScreenFactor / ((report_ ? report_->Zoom : 100) / 100.0);

  if (a.draw && !Transparent) paintBackground(a);
  placeText(a);
  printLines(a);
  finished_ = !(currentLine_ < lines_.size() && AutoStretch);
  if (replaced) {
    printCaption_ = designed;
    doneFormat_ = false;
  }
  if (a.draw && Frame.Present())
    Frame.PaintIt(*a.cv, p->XPos(a.X), p->YPos(a.Y), p->XPos(a.X + a.W), p->YPos(a.Y + a.H + a.expanded), p->XFactor(),
                  p->YFactor());
}

bool TRpCustomLabel::takePrintValue(QString& designed) {
  if (printCaption_.isEmpty() || !OnPrint) return false;
  QString value = printCaption_;
  OnPrint(*this, value);
  if (value == printCaption_) return false;
  designed = printCaption_;
  printCaption_ = value;
  doneFormat_ = false;
  return true;
}

void TRpCustomLabel::paintBackground(const PrintArea& a) const {
  // Skipped when the band has just painted this very colour here and the rectangle lies
  // inside the band (the page looks the same either way).
  const bool covered = underColor_.isValid() && underColor_ == Color && band_ && report_ && size_.NativeLeft >= 0 &&
                       size_.NativeTop >= 0 && size_.NativeLeft + a.W <= report_->BandNativeWidth(*band_) &&
                       size_.NativeTop + a.H <= report_->BandNativeHeight(*band_);
  if (!covered)
    rpFillRect(
        *a.cv,
        QRect(QPoint(a.p->XPos(a.X), a.p->YPos(a.Y)), QPoint(a.p->XPos(a.X + a.W) - 1, a.p->YPos(a.Y + a.H) - 1)),
        Color);
}

void TRpCustomLabel::placeText(PrintArea& a) const {
  if (Frame.Present()) {
    const double fw = Frame.Width == -1 ? 1.0 / kRpScreenFactor : double(rpRound(Frame.Width / 72.0 * 254.0));
    if (Frame.DrawTop) a.Y += fw;
    if (Frame.DrawLeft) a.X += fw;
  }
  a.bottom = a.Y + a.H + 1.0;
  // Right to left reading swaps the left and right alignments.
  a.align = alignment_;
  if (RightToLeft()) {
    if (a.align == taLeftJustify)
      a.align = taRightJustify;
    else if (a.align == taRightJustify)
      a.align = taLeftJustify;
  }
  // A label sized to its text keeps its designed right edge or centre.
  a.origin = a.X;
  if (autoSize_) {
    if (a.align == taRightJustify)
      a.origin = a.X - (a.W - size_.NativeWidth);
    else if (a.align == taCenter)
      a.origin = a.X - (a.W - size_.NativeWidth) / 2;
  }
}

void TRpCustomLabel::printLines(PrintArea& a) {
  if (a.draw) {
    // Setting a font costs a font lookup on the next text: only when it changes.
    if (a.cv->font() != a.fe->qfont) a.cv->setFont(a.fe->qfont);
    if (a.cv->pen().color() != a.font.Color || a.cv->pen().style() != Qt::SolidLine) a.cv->setPen(a.font.Color);
  }
  const bool continuing = !finished_;
  if (finished_) currentLine_ = 0;
  double curY = a.Y;
  bool mark = false;
  int printedLines = 0;
  while (currentLine_ < lines_.size()) {
    if (a.bottom < curY + a.LH) {
      const bool force = continuing && printedLines == 0;  // a line taller than any page
      if (AutoStretch && band_ && report_ && report_->CanExpand(band_, a.LH))
        stretchBand(a, mark);
      else if (!force)
        break;
    }
    const QString& line = lines_.at(currentLine_);
    if (a.draw && !line.isEmpty()) drawLine(a, line, curY);
    curY += a.LH;
    ++currentLine_;
    ++printedLines;
  }
}

void TRpCustomLabel::stretchBand(PrintArea& a, bool& mark) {
  const double prev = a.expanded;
  report_->ExpandBand(band_, a.LH, a.expanded, mark);
  a.bottom = a.Y + a.H + 1.0 + a.expanded;
  if (a.draw && !Transparent && a.expanded > prev) {
    rpFillRect(*a.cv,
               QRect(QPoint(a.p->XPos(a.X), a.p->YPos(a.Y + a.H + prev)),
                     QPoint(a.p->XPos(a.X + a.W) - 1, a.p->YPos(a.Y + a.H + a.expanded) - 1)),
               Color);
    a.cv->setPen(a.font.Color);  // the fill leaves no pen, and the lines below are drawn with it
  }
}

void TRpCustomLabel::drawLine(const PrintArea& a, const QString& line, double y) const {
  const double adv = rawAdvance(*a.fe, line);
  int x;
  switch (a.align) {
    case taRightJustify:
      x = int(rpRound(a.p->XPos(a.origin + a.W) - adv));
      break;
    case taCenter:
      x = int(rpRound(a.p->XPos(a.origin + a.W / 2) - adv / 2));
      break;
    default:
      x = a.p->XPos(a.origin);
  }
  rpDrawText(*a.cv, QPoint(x, a.p->YPos(y) + a.fe->ascent), line);
}

// ---------------------------------------------------------------------------------------------
// TRpSysData

std::function<QDateTime()> TRpSysData::Now = [] { return QDateTime::currentDateTime(); };

TRpSysData::TRpSysData() { designCaption(); }

void TRpSysData::SetData(TRpSysDataType d) {
  data_ = d;
  designCaption();
}

void TRpSysData::SetText(const QString& t) {
  text_ = t;
  designCaption();
}

void TRpSysData::designCaption() {
  static const char* names[] = {"Time", "Date", "Date/Time", "Page#", "Report title", "Detail count", "Detail no"};
  SetCaption(text_ + QLatin1Char('(') + QLatin1String(names[data_]) + QLatin1Char(')'));
}

QString TRpSysData::BuildText() const {
  const QDateTime now = Now();
  switch (data_) {
    case rpsTime:
      return text_ + now.time().toString(QStringLiteral("HH:mm"));
    case rpsDate:
      return text_ + now.date().toString(QStringLiteral("dd/MM/yyyy"));
    case rpsDateTime: {
      QString s = text_ + now.date().toString(QStringLiteral("dd/MM/yyyy"));
      if (now.time() != QTime(0, 0)) s += QLatin1Char(' ') + now.time().toString(QStringLiteral("HH:mm:ss"));
      return s;
    }
    case rpsPageNumber:
      return text_ + QString::number(report_ ? report_->PageNumber() : 0);
    case rpsReportTitle:
      return text_ + (report_ ? report_->ReportTitle : QString());
    case rpsDetailCount:
      return report_ ? text_ + QString::number(report_->RecordCount()) : caption_;
    case rpsDetailNo:
      return report_ ? text_ + QString::number(report_->DetailNumber()) : caption_;
  }
  return caption_;
}

void TRpSysData::Print(double ofsX, double ofsY) {
  if (!Printable()) return;
  SetCaption(BuildText());
  TRpCustomLabel::Print(ofsX, ofsY);
}

// ---------------------------------------------------------------------------------------------
// TRpExpr

TRpExpr::TRpExpr() { SetCaption(QStringLiteral("(none)")); }

void TRpExpr::SetExpression(const QString& e) {
  expression_ = e;
  SetCaption(e.trimmed().isEmpty() ? QStringLiteral("(none)") : e);
}

namespace {

// A float in the Brazilian format with the decimals and grouping a mask like "#,##0.00" asks for.
QString formatWithMask(double v, const QString& mask) {
  if (mask.isEmpty()) return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(v, 'g', 15);
  const qsizetype dot = mask.indexOf(QLatin1Char('.'));
  int decimals = 0;
  if (dot >= 0)
    for (qsizetype i = dot + 1; i < mask.size() && (mask.at(i) == QLatin1Char('0') || mask.at(i) == QLatin1Char('#'));
         ++i)
      ++decimals;
  QLocale loc(QLocale::Portuguese, QLocale::Brazil);
  if (!mask.contains(QLatin1Char(','))) loc.setNumberOptions(QLocale::OmitGroupSeparator);
  return loc.toString(v, 'f', decimals);
}

}  // namespace

void TRpExpr::Print(double ofsX, double ofsY) {
  if (!Printable()) return;
  if (report_ && !expression_.trimmed().isEmpty()) {
    const QVariant v = report_->Functions().Evaluate(expression_);
    QString text;
    if (v.typeId() == QMetaType::Bool)
      text = v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong)
      text = formatWithMask(v.toDouble(), Mask);
    else
      text = v.toString();
    printCaption_ = text;
    doneFormat_ = false;
  }
  TRpCustomLabel::Print(ofsX, ofsY);
}

void TRpExpr::Unprepare() {
  TRpCustomLabel::Unprepare();
  SetExpression(expression_);
}

// ---------------------------------------------------------------------------------------------
// TRpShape

TRpShape::TRpShape() = default;

void TRpShape::Print(double ofsX, double ofsY) {
  TRpPrinter* p = printer_ ? printer_ : (report_ ? report_->RpPrinter() : nullptr);
  if (!p || !p->Canvas() || !finalPass() || !Printable()) return;
  QPainter& cv = *p->Canvas();
  cv.setBrush(Brush);
  cv.setPen(Pen);
  const double L = size_.NativeLeft + ofsX, T = size_.NativeTop + ofsY, W = size_.NativeWidth, H = size_.NativeHeight;
  const int l = p->XPos(L), t = p->YPos(T), r = p->XPos(L + W), b = p->YPos(T + H);
  switch (Shape) {
    case rpsRectangle:
      cv.drawRect(QRect(QPoint(l, t), QPoint(r - 1, b - 1)));
      break;
    case rpsCircle:
      cv.drawEllipse(QRect(QPoint(l, t), QPoint(r - 1, b - 1)));
      break;
    case rpsVertLine: {
      const int x = p->XPos(L + W / 2);
      cv.drawLine(x, t, x, b);
      break;
    }
    case rpsHorLine: {
      const int y = p->YPos(T + H / 2);
      cv.drawLine(l, y, r, y);
      break;
    }
    case rpsTopAndBottom:
      cv.drawLine(l, t, r, t);
      cv.drawLine(l, b, r, b);
      break;
    case rpsRightAndLeft:
      cv.drawLine(l, t, l, b);
      cv.drawLine(r, t, r, b);
      break;
  }
}

}  // namespace cotavia
