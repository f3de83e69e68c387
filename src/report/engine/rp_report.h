#pragma once
// The banded report: page setup and units, bands with their events, the detail controller over
// a data set (or OnNeedData), and the generation loop that turns bands into pages on a report
// printer. Preview() generates into a page store shown by the registered preview window;
// Print() generates straight to the printer. Without windows (tests, command line) Preview()
// generates and returns with the pages kept in RpPrinter().
#include <QFlags>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class QEventLoop;

#include "report/engine/rp_controls.h"
#include "report/engine/rp_dataset.h"
#include "report/output/rp_printer.h"
#include "report/pages/rp_types.h"

namespace cotavia {

class TRpReport;
class TRpChildBand;

// Page setup. Lengths are native units (0.1 mm); choosing a standard paper sets Width and
// Length from the paper table (exchanged in landscape).
class TRpPage {
 public:
  TRpPaperSize PaperSize() const { return paperSize_; }
  void SetPaperSize(TRpPaperSize p);
  TRpOrientation Orientation() const { return orientation_; }
  void SetOrientation(TRpOrientation o);
  int Columns() const { return columns_; }
  void SetColumns(int c) { columns_ = c < 1 ? 1 : c; }
  bool Ruler = true;

  double BottomMargin = 100, Length = 2970, TopMargin = 100, Width = 2100;
  double LeftMargin = 100, RightMargin = 100, ColumnSpace = 0;

 private:
  void applyPaper();
  TRpPaperSize paperSize_ = TRpPaperSize::A4;
  TRpOrientation orientation_ = poPortrait;
  int columns_ = 1;
};

struct TRpReportPrinterSettings {
  int Copies = 1;
  bool Duplex = false;
  int FirstPage = 0;  // 0 and 0: all pages
  int LastPage = 0;
  TRpBin OutputBin = TRpBin::First;
  int PrinterIndex = -1;  // -1: the default printer
  // The PDF-file printer this report may print on (listed after the installed printers:
  // PrinterIndex counts it), and the file offered when one is asked for.
  TRpPdfPrinter PdfPrinter;
};

enum class TRpReportOption { FirstPageHeader = 1, LastPageFooter = 2, Compression = 4 };
Q_DECLARE_FLAGS(TRpReportOptions, TRpReportOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TRpReportOptions)

// Height and width of a band; the Native* fields are 0.1 mm, the accessors use the report's Units.
class TRpBandSize {
 public:
  double NativeHeight = 0, NativeWidth = 0;
  double Height() const;
  double Width() const;
  void SetHeight(double v);
  void SetWidth(double v);

 private:
  friend class TRpCustomBand;
  const TRpReport* report_ = nullptr;
};

class TRpCustomBand {
 public:
  TRpCustomBand(TRpReport* report, TRpBandType type);
  virtual ~TRpCustomBand();
  TRpCustomBand(const TRpCustomBand&) = delete;
  TRpCustomBand& operator=(const TRpCustomBand&) = delete;

  QString Name;
  TRpBandType BandType() const { return type_; }
  TRpReport* Report() const { return report_; }

  TRpBandSize& Size() { return size_; }
  const TRpBandSize& Size() const { return size_; }
  QColor Color = Qt::white;
  bool Enabled = true;
  bool AlignToBottom = false;
  bool ForceNewColumn = false;
  bool ForceNewPage = false;
  TRpCustomBand* LinkBand = nullptr;
  TRpFrame Frame;

  TRpFont Font() const;
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool p) { parentFont_ = p; }
  void SetFont(const TRpFont& f);

  std::function<void(TRpCustomBand& sender, bool& printBand)> BeforePrint;
  std::function<void(TRpCustomBand& sender, bool bandPrinted)> AfterPrint;

  // The child band printed right after this one.
  bool HasChild() const { return child_ != nullptr; }
  void SetHasChild(bool h);
  TRpChildBand* ChildBand() const { return child_.get(); }

  // Controls on the band (owned), in creation order.
  template <class T>
  T* Add() {
    auto c = std::make_unique<T>();
    T* raw = c.get();
    adopt(std::move(c));
    return raw;
  }
  const std::vector<std::unique_ptr<TRpPrintable>>& Controls() const { return controls_; }

  // Growth asked by a control during the band's print (see TRpReport::ExpandBand).
  bool ExpandBand(double amount, double& expanded, bool& firstRequest);

 protected:
  void adopt(std::unique_ptr<TRpPrintable> c);
  friend class TRpReport;

  TRpReport* report_;
  TRpBandType type_;
  TRpBandSize size_;
  bool parentFont_ = true;
  TRpFont font_;
  std::unique_ptr<TRpChildBand> child_;
  std::vector<std::unique_ptr<TRpPrintable>> controls_;
  QRect rect_;
  double expanded_ = 0;
};

// A band of the report. Its type is fixed when the report adds it (TRpReport::AddBand).
class TRpBand : public TRpCustomBand {
 public:
  TRpBand(TRpReport* report, TRpBandType type) : TRpCustomBand(report, type) {}
};

// A group of consecutive records that share a value: this band (rbGroupHeader) prints before
// the first record of each run of records whose Expression gives the same value, its footer
// band (rbGroupFooter, when it has one) after the last record of the run, before the next
// group's header. When a group goes on over a page or column break its header prints again at
// the top, after the column header. Groups nest in the order the report added them: the first
// is the outermost, and a change of an outer group closes the inner ones too.
class TRpGroup : public TRpBand {
 public:
  explicit TRpGroup(TRpReport* report) : TRpBand(report, rbGroupHeader) {}

  // The group's value for the current record (usually a field the report form reads). Without
  // one the group spans every record.
  std::function<QVariant()> Expression;
  // Print the header again at the top of each page or column the group goes on to.
  bool ReprintHeader = true;
  // True while the header prints again at the top of a page or column (its BeforePrint may
  // want to know, e.g. to say "continued", and must not start the group's figures over).
  bool Reprinting() const { return reprinting_; }

  // The footer band, made and destroyed with SetHasFooter (it is one of the report's bands).
  TRpBand* FooterBand() const { return footer_; }
  bool HasFooter() const { return footer_ != nullptr; }
  void SetHasFooter(bool has);

 private:
  friend class TRpReport;
  TRpBand* footer_ = nullptr;
  QVariant value_;     // the value of the records now printing
  bool open_ = false;  // header printed, footer not yet
  bool reprinting_ = false;
};

class TRpChildBand : public TRpCustomBand {
 public:
  TRpChildBand(TRpReport* report, TRpCustomBand* parent) : TRpCustomBand(report, rbChild), parent_(parent) {}
  TRpCustomBand* ParentBand() const { return parent_; }
  void SetBandType(TRpBandType t) { type_ = t; }

 private:
  TRpCustomBand* parent_;
};

class TRpReport : public TRpPrinterClient, public TRpControlHost {
 public:
  TRpReport();
  ~TRpReport() override;
  TRpReport(const TRpReport&) = delete;
  TRpReport& operator=(const TRpReport&) = delete;

  // Properties.
  TRpPage& Page() { return page_; }
  const TRpPage& Page() const { return page_; }
  TRpUnits Units = TRpUnits::MM;
  TRpReportOptions Options = TRpReportOption::FirstPageHeader | TRpReportOption::LastPageFooter;
  TRpReportPrinterSettings PrinterSettings;
  TRpFunctions& Functions() override { return functions_; }
  QString ReportAuthor;  // who the document is by: the author of its PDF
  QStringList Description;
  bool PrintIfEmpty = true;
  bool ShowProgress = true;
  bool SnapToGrid = true;
  TRpDataSet* DataSet = nullptr;  // not owned
  TRpFrame Frame;                 // drawn around the printable area of every page
  int Tag = 0;

  // Events.
  std::function<void(TRpReport& sender, bool& printReport)> BeforePrint;
  std::function<void(TRpReport& sender)> AfterPrint;
  std::function<void(TRpReport& sender)> AfterPreview;
  std::function<void(TRpReport& sender)> OnStartPage;
  std::function<void(TRpReport& sender)> OnEndPage;
  std::function<void(TRpReport& sender, bool& moreData)> OnNeedData;
  std::function<void(TRpReport& sender)> OnPreview;
  // Writes a finished page store as a PDF file. When set, Print() on the PDF-file printer records
  // the pages (on that printer's paper) and has this write them, instead of the printer's own
  // PDF output: every PDF of the report then comes from one writer, with its title and author.
  std::function<void(TRpPrinter& pages, const QString& fileName)> WritePdf;

  // Bands (owned), in print order: title, page header, column header, group headers, detail,
  // group footers, summary, page footer; bands of one type in creation order.
  // A band the engine could not print is refused with ERpError: a second title, column header,
  // detail or summary band; sub-detail and overlay bands; a child band (made by its parent,
  // SetHasChild) and a group footer (made by its group, TRpGroup::SetHasFooter). A group
  // header (rbGroupHeader) is a TRpGroup; AddGroup() returns it as one.
  TRpBand* AddBand(TRpBandType type);
  TRpGroup* AddGroup();
  // The groups, outermost first.
  std::vector<TRpGroup*> Groups() const;
  void RemoveBand(TRpCustomBand* band);
  // The first band of a type, or null.
  TRpBand* FindBand(TRpBandType type) const;
  bool HasBand(TRpBandType type) const { return FindBand(type) != nullptr; }
  std::vector<TRpBand*> Bands() const;

  // Text measuring on the 96-dpi reference device: width of s plus 1, and height (pixels).
  int TextWidth(const TRpFont& font, const QString& s) const;
  int TextHeight(const TRpFont& font, const QString& s) const override;

  // Entry points.
  void Preview();
  // Generates straight to the printer. The PDF printer without a file first asks where to write
  // through the registered windows (offering PdfPrinter.Suggestion); no answer, no print.
  void Print();
  // The PDF file the last Print() wrote into when it printed to the PDF printer, else empty.
  QString PrintedFile;
  void Generate();
  // The print dialog behind the preview's printer-setup button; true when confirmed.
  bool PrintSetup();

  // Generation (while Running()).
  void OutputBand(TRpCustomBand* band);
  void MakeRoomForBand(TRpCustomBand* band);
  void PrintBandAcrossColumns(TRpCustomBand* band);
  bool PrintBandControls(TRpCustomBand* band, bool firstPass, bool filled);
  void OutputChildBand(TRpCustomBand* band);
  void EnsureSpace(TRpCustomBand* band);
  void StartColumn();
  void StartPage();
  void NextColumn();
  void NextPage();
  void FinishPage();
  double FreeSpace() const;
  // A control asks the band being printed to grow by `amount`. false when the band cannot grow
  // (nothing changes); otherwise `expanded` receives the band's expanded length and the answer
  // is true when the request was met without growth.
  bool CanExpand(TRpCustomBand* band, double amount) const override;
  bool ExpandBand(TRpCustomBand* band, double amount, double& expanded, bool& firstRequest) override;

  // Generation state.
  bool Running() const { return running_; }
  bool Cancelled() const { return cancelled_; }
  void Cancel();
  bool FinalPass() const override { return finalPass_; }
  void SetFinalPass(bool f) { finalPass_ = f; }
  int PageNumber() const override { return pageNumber_; }
  double CurrentY() const { return currentY_; }
  int DetailNumber() const override { return detailNumber_; }
  int RecordCount() const override { return recordCount_; }
  bool LastPage() const { return lastPageFlag_; }

  // The report printer in use (the page store of the last preview or the running print).
  TRpPrinter* RpPrinter() const override { return printer_.get(); }
  // Frees the page store (no generation may run).
  void FreePrinter();

  // TRpPrinterClient.
  void PrintRequest() override;
  void PreviewClosed() override;
  void PageFinished(int page) override;

  // Size conversions between native units and Units (horizontal or vertical).
  double ToUnits(double native, bool horizontal) const override;
  double FromUnits(double value, bool horizontal) const override;

 private:
  friend class TRpGroup;
  // TRpControlHost: the band a control is on.
  TRpFont BandFont(const TRpCustomBand& band) const override;
  double BandNativeWidth(const TRpCustomBand& band) const override;
  double BandNativeHeight(const TRpCustomBand& band) const override;
  TRpBand* insertBand(std::unique_ptr<TRpBand> band);
  void runController();
  void openGroups(const std::vector<TRpGroup*>& groups);
  void closeGroups(const std::vector<TRpGroup*>& groups, size_t outermost);
  void closeChangedGroups(const std::vector<TRpGroup*>& groups);
  void reprintGroupHeaders();
  void printOnceEmpty();
  void computeFooterSpace();
  void prepareControls(bool prepare);
  double storePaperLength() const;
  void installCallbacks(TRpPrinter& p);
  void prepareStore(TRpPrinter& p);
  void processMessages();
  // Ends the wait of Preview() for its window (the window closed or the printer was freed).
  void wakePreviewWait();

  TRpPage page_;
  TRpFunctions functions_;
  std::vector<std::unique_ptr<TRpBand>> bands_;
  std::unique_ptr<TRpPrinter> printer_;
  std::unique_ptr<QObject> mailbox_;   // posts printer requests to the event loop
  QEventLoop* previewWait_ = nullptr;  // Preview() waiting for its window to close

  bool running_ = false;
  bool cancelled_ = false;
  bool finalPass_ = true;
  double currentX_ = 0, currentY_ = -1;
  int pageNumber_ = 0;
  int column_ = 1;
  double columnTop_ = 0;
  double footerSpace_ = 0;
  bool lastPageFlag_ = false;
  bool titleFlag_ = false;
  bool columnFlag_ = false;
  int detailNumber_ = 0;
  int recordCount_ = 0;
  int pageBandDepth_ = 0;  // printing page header/footer/column header: no page breaks
  TRpUnits savedUnits_ = TRpUnits::MM;
  qint64 lastMessages_ = 0;
};

}  // namespace cotavia
