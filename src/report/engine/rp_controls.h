#pragma once
// Printable controls placed on bands: labels (TRpLabel), system data (TRpSysData), calculated
// fields (TRpExpr) and shapes (TRpShape), on the base TRpPrintable with its frame (TRpFrame).
// A control is asked once per band print to draw itself on the report printer's page canvas at
// the band's position (native units). A label that does not fit may stretch its band and
// continue on the next page; the pair (Finished, CurrentLine) carries it across.
#include <QBrush>
#include <QColor>
#include <QDateTime>
#include <QMap>
#include <QPainter>
#include <QPen>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

#include "report/pages/rp_types.h"

namespace cotavia {

class TRpCustomBand;
class TRpPrinter;

// A frame around a band or control. Width in points (-1 = one pixel).
class TRpFrame {
 public:
  QColor Color = Qt::black;
  bool DrawTop = false, DrawBottom = false, DrawLeft = false, DrawRight = false;
  Qt::PenStyle Style = Qt::SolidLine;
  int Width = 1;

  bool Present() const { return DrawTop || DrawBottom || DrawLeft || DrawRight; }
  // Draws the frame in the rectangle (pixels) with xf/yf page pixels per native unit.
  void PaintIt(QPainter& canvas, int l, int t, int r, int b, double xf, double yf) const;
};

// The named values of the expression environment. "PAGENUMBER", "COLUMNNUMBER" and
// "REPORTTITLE" are always present and kept current during a generation.
class TRpFunctions {
 public:
  TRpFunctions();
  QVariant Value(const QString& name) const { return values_.value(name.toUpper()); }
  void SetValue(const QString& name, const QVariant& v) { values_[name.toUpper()] = v; }
  // Evaluates an expression: a named value, a number, or a text in single quotes.
  // Throws ERpError("Unknown identifier: X") otherwise.
  QVariant Evaluate(const QString& expression) const;

 private:
  QMap<QString, QVariant> values_;
};

// The report as its controls see it: its zoom, font and title, its page state, and growth of
// the band being printed. TRpReport is one.
class TRpControlHost {
 public:
  int Zoom = 100;
  TRpFont Font;
  QString ReportTitle;

  virtual TRpFunctions& Functions() = 0;
  // Size conversions between native units and the report's Units (horizontal or vertical).
  virtual double ToUnits(double native, bool horizontal) const = 0;
  virtual double FromUnits(double value, bool horizontal) const = 0;
  virtual int TextHeight(const TRpFont& font, const QString& s) const = 0;
  virtual TRpPrinter* RpPrinter() const = 0;
  virtual bool FinalPass() const = 0;
  virtual int PageNumber() const = 0;
  virtual int DetailNumber() const = 0;
  virtual int RecordCount() const = 0;
  virtual bool CanExpand(TRpCustomBand* band, double amount) const = 0;
  virtual bool ExpandBand(TRpCustomBand* band, double amount, double& expanded, bool& firstRequest) = 0;
  // The effective font and the size (native units) of a band of this report.
  virtual TRpFont BandFont(const TRpCustomBand& band) const = 0;
  virtual double BandNativeWidth(const TRpCustomBand& band) const = 0;
  virtual double BandNativeHeight(const TRpCustomBand& band) const = 0;

 protected:
  ~TRpControlHost() = default;
};

class TRpPrintable;

// Position and size of a control relative to its band. The Native* fields are 0.1 mm; the
// accessors read and set them in the report's Units.
class TRpPrintableSize {
 public:
  double NativeLeft = 0, NativeTop = 0, NativeWidth = 0, NativeHeight = 0;

  double Left() const;
  double Top() const;
  double Width() const;
  double Height() const;
  void SetLeft(double v);
  void SetTop(double v);
  void SetWidth(double v);
  void SetHeight(double v);

 private:
  friend class TRpPrintable;
  TRpPrintable* owner_ = nullptr;
};

class TRpPrintable {
 public:
  TRpPrintable();
  virtual ~TRpPrintable();
  TRpPrintable(const TRpPrintable&) = delete;
  TRpPrintable& operator=(const TRpPrintable&) = delete;

  QString Name;

  TRpPrintableSize& Size() { return size_; }
  const TRpPrintableSize& Size() const { return size_; }
  // Sets the four lengths at once, in the report's Units (left, top, width, height).
  void SetBounds(double left, double top, double width, double height);
  // Called whenever the size changes (keeps the control's pixel width and band placement).
  virtual void BoundsChanged();

  TRpAlignment Alignment() const { return alignment_; }
  virtual void SetAlignment(TRpAlignment a);
  bool AlignToBand() const { return alignToBand_; }
  void SetAlignToBand(bool a);
  TRpFrame Frame;
  bool Transparent = false;
  QColor Color = Qt::white;
  bool Enabled = true;
  bool Visible = true;
  TRpBiDiMode BiDiMode = bdLeftToRight;
  bool ParentBiDiMode = true;
  bool RightToLeft() const;

  // The effective font: the band's (or report's) while ParentFont is on.
  TRpFont Font() const;
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool p);
  // Sets the control's own font (ParentFont off).
  void SetFont(const TRpFont& f);

  // Placement.
  TRpControlHost* Report() const { return report_; }
  void SetParent(TRpCustomBand* band, TRpControlHost* report);

  // Takes part in printing: Enabled, or not Visible.
  bool Printable() const { return Enabled || !Visible; }
  bool IsPrinting() const { return isPrinting_; }
  bool Finished() const { return finished_; }
  // The control's width in screen pixels (at the report's Zoom); a label with AutoSize changes it.
  int PixelWidth() const { return pixelWidth_; }

  // A report run: Prepare takes the report's printer; Print draws at the band's offset.
  virtual void Prepare();
  virtual void Unprepare();
  virtual void Print(double ofsX, double ofsY);

 protected:
  virtual void FontChanged() {}
  virtual void ParentChanged() {}
  void placeByBand();
  TRpPrinter* printer() const { return printer_; }
  bool finalPass() const;

  TRpPrintableSize size_;
  TRpAlignment alignment_ = taLeftJustify;
  bool alignToBand_ = false;
  bool parentFont_ = true;
  TRpFont font_;
  TRpCustomBand* band_ = nullptr;
  TRpControlHost* report_ = nullptr;
  TRpPrinter* printer_ = nullptr;
  bool isPrinting_ = false;
  bool finished_ = true;
  bool updatingBounds_ = false;
  // Set by the band before a print: the colour already painted under the control's rectangle
  // (invalid when unknown), so an opaque control of that colour need not paint it again.
  QColor underColor_;
  friend class TRpReport;
  int pixelWidth_ = 0, pixelHeight_ = 0;
};

class TRpCustomLabel : public TRpPrintable {
 public:
  TRpCustomLabel();

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool a);
  bool AutoStretch = false;
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool w);

  QString Caption() const { return caption_; }
  // Sets Caption and PrintCaption and lays the text out again.
  void SetCaption(const QString& c);
  // The caption from Windows-1252 bytes.
  void SetCaptionCp1252(const QByteArray& bytes);
  QString PrintCaption() const { return printCaption_; }
  const QStringList& FormattedLines() const { return lines_; }
  int CurrentLine() const { return currentLine_; }
  bool DoneFormat() const { return doneFormat_; }

  // Called once per print of a label with a non-empty PrintCaption; may change the text (for
  // this print only) and the font.
  std::function<void(TRpCustomLabel& sender, QString& value)> OnPrint;

  // Lays PrintCaption out into FormattedLines (and, with AutoSize, sets the pixel width).
  virtual void FormatLines();
  // The height of all its lines printed one under another on the report's printer now (native
  // units): what the label takes of its band, stretched, to print its whole text.
  double LinesHeight();

  void Prepare() override;
  void Print(double ofsX, double ofsY) override;
  void BoundsChanged() override;

 protected:
  void FontChanged() override;
  void ParentChanged() override;
  int lineWidth(const QString& s) const;
  void layoutText(const QString& text);
  void layoutParagraph(const QString& para);

  bool autoSize_ = true;
  bool wordWrap_ = true;
  bool doneFormat_ = false;
  QString caption_;
  QString printCaption_;
  QStringList lines_;
  int currentLine_ = 0;

 private:
  // The steps of Print.
  struct PrintArea;
  // Lets OnPrint give this print another text; true when it did (the designed text kept in
  // `designed`, to come back after the print).
  bool takePrintValue(QString& designed);
  // Paints the label's colour under its rectangle unless the band already did.
  void paintBackground(const PrintArea& a) const;
  // Sets the text inside the frame: the inset, the alignment as read and the origin it works from.
  void placeText(PrintArea& a) const;
  // Draws the lines from the current one while they fit, stretching the band when allowed; a
  // label continued on a new page draws at least one line.
  void printLines(PrintArea& a);
  // Grows the band by one line and paints the label's colour on the new part.
  void stretchBand(PrintArea& a, bool& mark);
  // Draws one line at height `y`, aligned.
  void drawLine(const PrintArea& a, const QString& line, double y) const;
};

class TRpLabel : public TRpCustomLabel {};

enum TRpSysDataType { rpsTime, rpsDate, rpsDateTime, rpsPageNumber, rpsReportTitle, rpsDetailCount, rpsDetailNo };

// Prints Text followed by the time, date, page number, ... (Brazilian short formats).
class TRpSysData : public TRpCustomLabel {
 public:
  TRpSysData();
  TRpSysDataType Data() const { return data_; }
  void SetData(TRpSysDataType d);
  QString Text() const { return text_; }
  void SetText(const QString& t);
  // The text printed for the kind (without running OnPrint).
  QString BuildText() const;
  void Print(double ofsX, double ofsY) override;
  // The clock (replaceable by tests).
  static std::function<QDateTime()> Now;

 private:
  void designCaption();
  TRpSysDataType data_ = rpsTime;
  QString text_;
};

// A calculated field: Expression evaluated by the report's evaluator (the named values
// "PAGENUMBER", "COLUMNNUMBER", "REPORTTITLE", and number or quoted text literals).
class TRpExpr : public TRpCustomLabel {
 public:
  TRpExpr();
  QString Expression() const { return expression_; }
  void SetExpression(const QString& e);
  QString Mask;  // printf-like float format for numbers ("%.2f"); empty: shortest form
  bool ResetAfterPrint = false;
  TRpPrintable* Master = nullptr;
  void Print(double ofsX, double ofsY) override;
  void Unprepare() override;

 private:
  QString expression_;
};

enum TRpShapeType { rpsRectangle, rpsCircle, rpsVertLine, rpsHorLine, rpsTopAndBottom, rpsRightAndLeft };

class TRpShape : public TRpPrintable {
 public:
  TRpShape();
  QBrush Brush = QBrush(Qt::white);
  QPen Pen = QPen(Qt::black, 1);
  TRpShapeType Shape = rpsRectangle;
  void Print(double ofsX, double ofsY) override;
};

}  // namespace cotavia
