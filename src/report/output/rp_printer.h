#pragma once
// The report printer: the output end of the report engine. A report opens a document, asks for
// a new page before each page, draws on Canvas() in page pixels (XPos/YPos/XSize/YSize convert
// native units), and ends the document. Pages go to the page store (rpdMetafile, recorded at a
// fixed 96 dpi) or straight to a printer (rpdPrinter). Printers are the CUPS queues seen by
// QPrinter, plus an optional PDF-file printer (TRpPdfPrinter) given by whoever prints.
#include <QList>
#include <QPainter>
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

#include "report/pages/rp_pagestore.h"
#include "report/pages/rp_types.h"

namespace cotavia {

class TRpPrinter;

// Fills r with a solid colour the way QPainter::fillRect looks, but leaves the canvas with no
// pen and that brush instead of restoring both: a recorded page then holds one drawing command
// per fill instead of five, and the controls set the pen and brush they draw with anyway.
inline void rpFillRect(QPainter& canvas, const QRect& r, const QColor& color) {
  if (canvas.pen().style() != Qt::NoPen) canvas.setPen(Qt::NoPen);
  const QBrush& b = canvas.brush();
  if (b.style() != Qt::SolidPattern || b.color() != color || !b.transform().isIdentity()) canvas.setBrush(color);
  canvas.drawRect(r);
}

// A printer that writes a PDF file, listed after the installed printers when it has a name. It
// counts as installed, supports every paper, both orientations, copies and every bin. Whoever
// prints decides it (the command line, the print dialog, the windows standing in for a machine
// without printers, tests) and hands it to the report (TRpReportPrinterSettings::PdfPrinter).
struct TRpPdfPrinter {
  QString Name;  // empty: no PDF printer
  // Where it writes. Empty: the file is asked for each time the report prints (the stand-in of
  // a machine without printers).
  QString File;
  // The file offered when the file is asked for, here or by the print dialog's "Arquivo PDF...".
  QString Suggestion;
};

// The printer choice and its device values (copies, duplex, paper, orientation, source).
// With no printer installed nothing can be set: A4 portrait, 1 copy.
class TPrinterSettings {
 public:
  explicit TPrinterSettings(const TRpPdfPrinter& pdf = {});
  ~TPrinterSettings();

  // Names of the installed printers (CUPS queues), then the PDF printer's if it has one.
  static QStringList PrinterNames(const TRpPdfPrinter& pdf = {});

  bool PrinterOK() const { return printerOk_; }
  int PrinterIndex() const { return printerIndex_; }
  // Selects another printer, resets to its defaults and reads the settings (only when PrinterOK).
  void SetPrinterIndex(int index);
  QString PrinterName() const;
  // Reads the settings again from the current printer.
  void ReadSettings();
  // Writes the settings to the printer object (before a direct print).
  void WriteSettings();
  QPrinter* Printer() { return printer_.get(); }

  int Copies() const { return copies_; }
  void SetCopies(int c);
  bool Duplex() const { return duplex_; }
  void SetDuplex(bool d);
  TRpOrientation Orientation() const { return orientation_; }
  void SetOrientation(TRpOrientation o);
  TRpBin OutputBin() const { return bin_; }
  void SetOutputBin(TRpBin b);
  TRpPaperSize PaperSize() const { return paper_; }
  void SetPaperSize(TRpPaperSize p);  // taken only when supported; Default always
  // The device's physical page (native units), or the values set for Custom.
  double PaperWidth() const { return paperWidth_; }
  double PaperLength() const { return paperLength_; }
  void SetPaperWidth(double w);   // only for Custom
  void SetPaperLength(double l);  // only for Custom
  int PixelsPerX() const { return ppx_; }
  int PixelsPerY() const { return ppy_; }
  double TopOffset() const { return topOffset_; }
  double LeftOffset() const { return leftOffset_; }

 private:
  void selectPrinter(const QStringList& names, int index);  // index within names

  TRpPdfPrinter pdf_;
  std::unique_ptr<QPrinter> printer_;
  bool printerOk_ = false;
  int printerIndex_ = -1;
  int copies_ = 1;
  bool duplex_ = false;
  TRpOrientation orientation_ = poPortrait;
  TRpBin bin_ = TRpBin::First;
  TRpPaperSize paper_ = TRpPaperSize::A4;
  std::array<bool, kRpPaperSizeCount> supported_{};
  double paperWidth_ = 0, paperLength_ = 0;
  int ppx_ = kRpScreenDpi, ppy_ = kRpScreenDpi;
  double topOffset_ = 0, leftOffset_ = 0;
  bool binField_ = false;
};

enum class TRpDestination { rpdMetafile, rpdPrinter };
enum class TRpPrinterStatus { mpReady, mpBusy, mpFinished };

// What the printer tells the control that views it (the preview control or the progress window).
class TRpPrinterViewer {
 public:
  virtual ~TRpPrinterViewer() = default;
  // The printer's ProgressPercent changed.
  virtual void ProgressUpdate(int percent) { (void)percent; }
  // A page was finished; `page` is the printer's page counter (Progress).
  virtual void PageAvailable(int page) { (void)page; }
  // The printer is being freed: drop every pointer to it.
  virtual void PrinterDestroyed() {}
};

// What the printer tells the report that owns it.
class TRpPrinterClient {
 public:
  virtual ~TRpPrinterClient() = default;
  // The user asked to print a live report from the preview: the report generates again to the
  // printer. Delivered later, from the event loop (never inside the caller).
  virtual void PrintRequest() = 0;
  // The preview window was closed. Delivered later, from the event loop.
  virtual void PreviewClosed() = 0;
  // A page was finished (called at once).
  virtual void PageFinished(int page) { (void)page; }
};

// Page range and copies chosen in the print dialog.
enum class TRpPrintRange { prAllPages, prSelection, prPageNums };
struct TRpPrintDialogData {
  // In: what the dialog offers. Out: the user's choice (when Execute confirmed).
  int PrinterIndex = -1;
  TRpOrientation Orientation = poPortrait;
  int Copies = 1;
  bool Collate = false;
  int FromPage = 0, ToPage = 0, MinPage = 0, MaxPage = 0;
  TRpPrintRange PrintRange = TRpPrintRange::prAllPages;
  // The report's PDF printer (PrinterIndex counts it); out: "Arquivo PDF..." with its file when
  // the user chose to write a PDF file.
  TRpPdfPrinter PdfPrinter;
  bool PageNums = true;  // poPageNums
  bool Warning = true;   // poWarning
};

// The engine's windows, registered by the widget layer. The base class is the headless
// implementation: no window shows, the print dialog is cancelled, no progress window.
class TRpPreviewInterface {
 public:
  virtual ~TRpPreviewInterface() = default;
  // Opens the standard preview window over the printer (not modal). True when a window shows;
  // it then sets the printer's ShowingPreview and, when closed, calls NotifyPreviewClosed().
  virtual bool Show(TRpPrinter& printer) {
    (void)printer;
    return false;
  }
  // Same, modal.
  virtual bool ShowModal(TRpPrinter& printer) {
    (void)printer;
    return false;
  }
  // The print dialog; true when the user confirmed (data then holds the choice).
  virtual bool ExecutePrintDialog(TRpPrintDialogData& data) {
    (void)data;
    return false;
  }
  // Asks where to write a PDF file, offering `suggested`; empty when the user gave no name.
  virtual QString AskPdfFile(const QString& suggested) {
    (void)suggested;
    return QString();
  }
  // The progress window for a print to the printer (shown when `show`); it receives the
  // printer's progress as its viewer and calls printer.Cancel() from its button.
  virtual std::unique_ptr<TRpPrinterViewer> CreateProgressForm(TRpPrinter& printer, bool show) {
    (void)printer;
    (void)show;
    return nullptr;
  }
};
// The registered windows (never null; the headless base by default). Ownership stays with the
// caller; pass nullptr to restore the headless one.
TRpPreviewInterface& rpPreviewInterface();
void rpSetPreviewInterface(TRpPreviewInterface* ui);

class TRpPrinter {
 public:
  explicit TRpPrinter(const TRpPdfPrinter& pdf = {});
  ~TRpPrinter();  // resets first when not ready (cancels, frees the stream and its temporary file)
  TRpPrinter(const TRpPrinter&) = delete;
  TRpPrinter& operator=(const TRpPrinter&) = delete;

  TPrinterSettings& Settings() { return settings_; }
  bool PrinterOK() const { return settings_.PrinterOK(); }

  // Document. BeginDoc: ERpError "Report printer not ready" unless Status is mpReady.
  // NewPage: ERpError "Illegal call to NewPage" unless Status is mpBusy.
  void BeginDoc();
  void NewPage();
  void EndDoc();
  void Abort();
  void Cancel();  // sets Cancelled; the report polls it and stops
  bool Cancelled() const { return cancelled_; }

  // The current page canvas (page pixels), null when no page is open.
  QPainter* Canvas() { return canvas_; }
  double XFactor() const { return xFactor_; }
  double YFactor() const { return yFactor_; }
  int XPos(double v) const { return int(rpRound((v - leftOffset_) * xFactor_)); }
  int YPos(double v) const { return int(rpRound((v - topOffset_) * yFactor_)); }
  int XSize(double v) const { return int(rpRound(v * xFactor_)); }
  int YSize(double v) const { return int(rpRound(v * yFactor_)); }
  double LeftOffset() const { return leftOffset_; }
  double TopOffset() const { return topOffset_; }

  // Paper of the current orientation in native units: standard papers from the table (width and
  // length exchanged in landscape), Default/Custom from the settings as they are.
  double PaperWidth() const;
  double PaperLength() const;

  // Setters passed to the settings.
  void SetCopies(int c) { settings_.SetCopies(c); }
  void SetOrientation(TRpOrientation o) { settings_.SetOrientation(o); }
  TRpOrientation Orientation() const { return settings_.Orientation(); }
  void SetOutputBin(TRpBin b) { settings_.SetOutputBin(b); }
  void SetPaperSize(TRpPaperSize p) { settings_.SetPaperSize(p); }
  TRpPaperSize PaperSize() const { return settings_.PaperSize(); }
  void SetPaperWidth(double w) { settings_.SetPaperWidth(w); }
  void SetPaperLength(double l) { settings_.SetPaperLength(l); }
  void SetPrinterIndex(int i);
  int PrinterIndex() const { return settings_.PrinterIndex(); }
  // The file a PDF printer writes this job into.
  void SetOutputFile(const QString& file);

  bool Compression() const { return compression_; }
  void SetCompression(bool c) { compression_ = c; }
  TRpDestination Destination() const { return destination_; }
  void SetDestination(TRpDestination d) { destination_ = d; }
  int FirstPage() const { return firstPage_; }
  void SetFirstPage(int p) { firstPage_ = p; }
  int LastPage() const { return lastPage_; }
  void SetLastPage(int p) { lastPage_ = p; }
  QString Title() const { return title_; }
  void SetTitle(const QString& t) { title_ = t; }
  // Who the document is by (a PDF's author).
  QString Author() const { return author_; }
  void SetAuthor(const QString& a) { author_ = a; }

  TRpPrinterStatus Status() const { return status_; }
  int PageCount() const { return pageCount_; }
  int PageNumber() const { return pageNumber_; }
  int Progress() const { return progress_; }
  bool LoadedFromFile() const { return loadedFromFile_; }

  // Page n as a new picture owned by the caller; null unless busy/finished and n in 1..PageCount.
  std::unique_ptr<TRpMetafile> GetPage(int n);
  // When PageNumber is in 1..PageCount: the viewed page becomes page n.
  void SetPageNumber(int n);
  // The page being viewed (after SetPageNumber), or null.
  const TRpMetafile* ViewedPage() const { return viewed_.get(); }

  int ProgressPercent() const { return progressPercent_; }
  void SetProgressPercent(int p);  // stores it and tells the viewer

  // The preview control or progress window that receives notifications (not owned).
  TRpPrinterViewer* Viewer() const { return viewer_; }
  void SetViewer(TRpPrinterViewer* v) { viewer_ = v; }
  // The report that owns this printer (not owned).
  void SetClient(TRpPrinterClient* c) { client_ = c; }

  bool ShowingPreview() const { return showingPreview_; }
  // true -> false while busy cancels; any change raises the preview-closed notification.
  void SetShowingPreview(bool s);
  // Called by the preview window when it closes: the client report is told (later).
  void NotifyPreviewClosed();

  // Opens the preview: OnPreview when assigned, otherwise the registered preview interface.
  // Returns true when a window shows.
  bool Preview();
  // Prints the stored pages (or asks the live report to print itself again).
  void Print();
  // Raises OnPrintSetup.
  void PrintSetup();
  // Saves the page store to a report file. Throws ERpError naming the file when the report is
  // not finished (nothing is written then) or the file cannot be written.
  void Save(const QString& fileName);
  // Loads a report file (ERpError naming the file and the problem when it is damaged).
  void Load(const QString& fileName);

  // Method pointers set by the report.
  std::function<void()> OnPreview;
  std::function<void()> OnPrintSetup;
  std::function<void()> AfterPrintNotify;    // after a direct print finished
  std::function<void()> AfterPreviewNotify;  // preview-closed notification
  std::function<void()> OnExport;

  // The page store (tests and the command line).
  TRpPageList* PageList() { return pageList_.get(); }
  TRpStream* PageStream() { return pageList_ ? pageList_->Stream() : nullptr; }

 private:
  void reset();
  bool pageInRange(int page) const;
  void pageDone();
  void openMetafilePage();
  void closeMetafilePage();
  void beginPrinterDocIfNeeded();

  TPrinterSettings settings_;
  std::unique_ptr<TRpPageList> pageList_;
  TRpPrinterViewer* viewer_ = nullptr;
  TRpPrinterClient* client_ = nullptr;
  std::unique_ptr<TRpPageRecorder> page_;
  std::unique_ptr<QPainter> pagePainter_;
  std::unique_ptr<QPainter> printerPainter_;
  QPainter* canvas_ = nullptr;
  std::unique_ptr<TRpMetafile> viewed_;
  int progress_ = 0;
  bool cancelled_ = false;
  TRpDestination destination_ = TRpDestination::rpdMetafile;
  int firstPage_ = 0, lastPage_ = 0;
  double leftOffset_ = 0, topOffset_ = 0;
  int pageCount_ = 0, pageNumber_ = 0;
  int progressPercent_ = 0;
  QString title_;
  QString author_;
  bool showingPreview_ = false;
  TRpPrinterStatus status_ = TRpPrinterStatus::mpReady;
  double xFactor_ = 1, yFactor_ = 1;
  bool loadedFromFile_ = false;
  bool compression_ = false;
  bool printing_ = false;  // a printer document is open
};

}  // namespace cotavia
