#pragma once
// The report engine's print dialog (the system's printers and a PDF file, pages and copies, on
// a printer object of the engine's choosing) and the progress window shown while a report
// prints to the printer.
#include "report/output/rp_printer.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPrinter;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace cotavia {

// The name the PDF file printer takes among the engine's printers when it is chosen in the
// print dialog.
inline constexpr char kRpPdfPrinterName[] = "Arquivo PDF";

// Asks where to write the PDF, offering `suggested`; a name typed without ".pdf" gets it.
// Empty when the user gave no name.
QString rpAskPdfFile(const QString& suggested);

// The print dialog's window: the printer (the system's CUPS printers with the default one
// chosen at first, then "Arquivo PDF..."), all pages or a range, copies and collation.
class TRpPrintForm : public QDialog {
  Q_OBJECT
 public:
  explicit TRpPrintForm(QWidget* parent = nullptr);

  QComboBox* PrinterBox;
  QRadioButton* AllPages;
  QRadioButton* PageRange;
  QSpinBox* FromPage;
  QSpinBox* ToPage;
  QSpinBox* Copies;
  QCheckBox* Collate;
  QPushButton* OkButton;
  QPushButton* CancelButton;

  // The printers offered (first `printers`, then "Arquivo PDF..."); `current` is chosen when
  // listed, else the default printer, else the PDF file.
  void setPrinters(const QStringList& printers, const QString& defaultPrinter, const QString& current);
  // The chosen printer's name; empty when "Arquivo PDF..." is chosen.
  QString printerName() const;
  bool pdfChosen() const;
  void setMinMax(int min, int max);
  int minPage() const { return min_; }
  int maxPage() const { return max_; }
  // The file offered when "Arquivo PDF..." is chosen.
  QString pdfSuggestion;

 private:
  int min_ = 0, max_ = 0;
};

enum TPrintDialogOption {
  poPrintToFile = 1,
  poPageNums = 2,
  poSelection = 4,
  poWarning = 8,
  poHelp = 16,
  poDisablePrintToFile = 32
};

class TRpPrintDialog {
 public:
  // Design properties (kept for completeness; Ctl3D has no effect here, help is not provided).
  bool Ctl3D = true;
  int HelpContext = 0;
  std::function<void()> OnShow;
  std::function<void()> OnClose;

  // The printer object the dialog reads and writes (not owned).
  QPrinter* Printer = nullptr;
  QWidget* Parent = nullptr;

  bool Collate = false;
  int Copies() const { return copies_; }
  // Also sets the printer's number of copies.
  void SetCopies(int c);
  int FromPage = 0, ToPage = 0, MinPage = 0, MaxPage = 0;
  int Options = 0;  // TPrintDialogOption flags
  bool PrintToFile = false;
  TRpPrintRange PrintRange = TRpPrintRange::prAllPages;

  // Shows the dialog modally; true when the user confirmed. On confirmation: Collate,
  // PrintToFile, PrintRange, FromPage, ToPage from the dialog; Copies = the returned copy count,
  // or the printer's own count when the dialog returned 1 (the driver may keep copies itself).
  bool Execute();

  // The printer chosen (empty: the one `Printer` had) and, for "Arquivo PDF...", the file.
  QString PrinterName;
  QString PdfFile;
  // The file offered when "Arquivo PDF..." is chosen.
  QString PdfSuggestion;
  // What the dialog returned.
  struct Result {
    bool collate = false;
    bool printToFile = false;
    TRpPrintRange range = TRpPrintRange::prAllPages;
    int fromPage = 0, toPage = 0;
    int copies = 1;
    QString printerName;  // empty: unchanged
    QString pdfFile;      // set when the PDF file was chosen
  };
  // Runs the dialog (replaceable by tests): false when cancelled, else true with `result` set.
  // The default centres the dialog horizontally and at a third of the screen's height, runs it,
  // reads the choices, and for "Arquivo PDF..." asks where to save through the dialog service
  // (offering the form's pdfSuggestion); no file chosen, the dialog comes back.
  static std::function<bool(TRpPrintForm& dialog, QPrinter& printer, Result& result)> Runner;

 private:
  int copies_ = 0;
};

// Fills a dialog from the engine's request, runs it and writes the choices back (the print
// dialog of the standard windows). The printer is looked up by index in
// TPrinterSettings::PrinterNames(data.PdfPrinter).
bool rpRunPrintDialog(TRpPrintDialogData& data, QWidget* parent);

// "Printing progress": gauge, percentage text and "Cancel".
class TRpProgressForm : public QDialog, public TRpPrinterViewer {
  Q_OBJECT
 public:
  TRpProgressForm(TRpPrinter& printer, QWidget* parent = nullptr);

  QProgressBar* Gauge;
  QLabel* Info;
  QPushButton* CancelButton;

  // The printer's progress: only multiples of 5 update the window.
  void ProgressUpdate(int percent) override;

 private:
  TRpPrinter& printer_;
};

}  // namespace cotavia
