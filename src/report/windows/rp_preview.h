#pragma once
// The report preview: a scrolling control (TRpPreview) hosting the page image
// (TRpPreviewImage), and the standard preview window (TRpStandardPreview) with its toolbar and
// status bar. Pages come from the report printer and its page store; the preview never renders
// a report itself. TRpStandardPreviewInterface opens the window for the report engine and
// also provides the engine's print dialog and progress window.
#include "report/output/rp_printer.h"

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QScrollArea>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <memory>

class QStatusBar;
class QLocale;
class QToolBar;
class QTranslator;
class QPushButton;

namespace cotavia {

// The page image: paints the viewed page stretched over itself with an outline and a shadow.
class TRpPreviewImage : public QWidget {
  Q_OBJECT
 public:
  explicit TRpPreviewImage(QWidget* parent = nullptr);
  ~TRpPreviewImage() override;

  TRpPrinter* RpPrinter = nullptr;  // not owned
  int PageNumber = 1;
  int Zoom = 100;
  bool HasPage() const { return page_ != nullptr; }
  const TRpMetafile* Page() const { return page_.get(); }
  // Frees the previous page and fetches page n from the printer (nothing when out of range),
  // then repaints at once.
  void LoadPage(int n);
  void Clear();

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  std::unique_ptr<TRpMetafile> page_;
};

enum class TRpZoomState { ZoomToFit, ZoomToWidth, ZoomCustom };

// The scrolling preview control; it is the printer's viewer while it shows it.
class TRpPreview : public QScrollArea, public TRpPrinterViewer {
  Q_OBJECT
 public:
  explicit TRpPreview(QWidget* parent = nullptr);
  ~TRpPreview() override;  // detaches from the printer (a running generation is cancelled)

  TRpPrinter* RpPrinter() const { return printer_; }
  // Detaches from the old printer and shows page 1 of the new one.
  void SetRpPrinter(TRpPrinter* p);

  int PageNumber() const { return pageNumber_; }
  // Ignored when equal to the current page while a page is shown; otherwise accepted only
  // within 1..PageCount.
  void SetPageNumber(int n);
  int Zoom() const { return zoom_; }
  // Ignored outside 2..2000; sets ZoomCustom and re-sizes the image.
  void SetZoom(int z);
  TRpZoomState ZoomState() const { return zoomState_; }
  void ZoomToFit();
  void ZoomToWidth();
  TRpPreviewImage* Image() const { return image_; }

  // TRpPrinterViewer.
  void PageAvailable(int page) override;
  void ProgressUpdate(int percent) override;
  void PrinterDestroyed() override;

  std::function<void(TRpPreview& sender, int page)> OnPageAvailable;
  std::function<void(TRpPreview& sender, int percent)> OnProgressUpdate;
  // The printer shown was freed (the control shows nothing from then on).
  std::function<void(TRpPreview& sender)> OnPrinterGone;

  // Re-sizes and places the image for the current zoom.
  void PlaceImage();

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  double pagePixelsWide() const;
  double pagePixelsHigh() const;

  TRpPreviewImage* image_;
  QWidget* canvas_;
  TRpPrinter* printer_ = nullptr;
  int pageNumber_ = 1;
  int zoom_ = 100;
  TRpZoomState zoomState_ = TRpZoomState::ZoomCustom;
};

// The standard preview window.
class TRpStandardPreview : public QMainWindow {
  Q_OBJECT
 public:
  TRpStandardPreview(QWidget* owner, TRpPrinter& printer);
  ~TRpStandardPreview() override;

  // Components, by their names.
  QStatusBar* StatusBar;
  QLabel* StatusPanel0;  // progress
  QLabel* StatusPanel1;  // page information
  QToolBar* ToolBar1;
  QToolButton *ZoomFit, *Zoom100, *ZoomToWidth, *FirstPage, *PreviousPage, *ToolButton2, *LastPage, *PrintSetup, *Print,
      *SaveReport, *LoadReport;
  QPushButton* ExitButton;
  TRpPreview* RpPreview;

  // Page information "Page N of M" (panel 1).
  void UpdatePageInfo();
  // Toolbar actions and keys.
  void GoFirst();
  void GoPrevious();
  void GoNext();
  void GoLast();
  void DoSave();
  void DoLoad();
  void DoPrint();
  void DoPrintSetup();

  // The save dialog's filter: the report file entry, then each registered export filter.
  static QString SaveFilter();
  static QString LoadFilter();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  friend class TRpStandardPreviewInterface;
  bool handleKey(QKeyEvent* e);
  void pageArrived(int page);
  void progress(int percent);
  void enablePrinting();
  void watchKeys(QWidget* w);

  TRpPrinter* printer_;  // null once the printer is gone
  int lastProgress_ = 0;
  bool closedNotified_ = false;
  QString pdfChosen_;  // the PDF file the setup just chose
};

// Opens the standard preview for the report engine, and provides its print dialog and progress
// window. Install it with rpSetPreviewInterface().
class TRpStandardPreviewInterface : public TRpPreviewInterface {
 public:
  bool Show(TRpPrinter& printer) override;
  bool ShowModal(TRpPrinter& printer) override;
  bool ExecutePrintDialog(TRpPrintDialogData& data) override;
  QString AskPdfFile(const QString& suggested) override;
  std::unique_ptr<TRpPrinterViewer> CreateProgressForm(TRpPrinter& printer, bool show) override;

  // The owner of the windows (the proposal editor); may be null.
  QPointer<QWidget> Owner;
  // The last preview window opened (tests).
  QPointer<TRpStandardPreview> LastPreview;
};

// Loads the Portuguese texts of the report windows into the application when `locale` is
// Portuguese (the texts stay as written, in English, otherwise). Returns the translator
// installed, or null.
QTranslator* rpInstallTranslations(const QLocale& locale);

// Installs the standard windows while alive when only the headless ones are registered.
class TRpStandardPreviewGuard {
 public:
  explicit TRpStandardPreviewGuard(QWidget* owner);
  ~TRpStandardPreviewGuard();
  TRpStandardPreviewGuard(const TRpStandardPreviewGuard&) = delete;
  TRpStandardPreviewGuard& operator=(const TRpStandardPreviewGuard&) = delete;

 private:
  TRpStandardPreviewInterface ui_;
  TRpPreviewInterface* previous_ = nullptr;
  bool installed_ = false;
};

}  // namespace cotavia
