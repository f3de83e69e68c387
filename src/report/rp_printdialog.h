#pragma once
// The report engine's print dialog (over Qt's print dialog on a printer object of the engine's
// choosing) and the progress window shown while a report prints to the printer.
#include "report/rp_printer.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPrintDialog;
class QPrinter;
class QProgressBar;
class QPushButton;

namespace cotavia {

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

  // What the dialog returned.
  struct Result {
    bool collate = false;
    bool printToFile = false;
    TRpPrintRange range = TRpPrintRange::prAllPages;
    int fromPage = 0, toPage = 0;
    int copies = 1;
  };
  // Runs the dialog (replaceable by tests): false when cancelled, else true with `result` set.
  // The default centres the dialog horizontally and at a third of the screen's height, runs it,
  // and reads the choices from the printer.
  static std::function<bool(QPrintDialog& dialog, QPrinter& printer, Result& result)> Runner;

 private:
  int copies_ = 0;
};

// Fills a dialog from the engine's request, runs it and writes the choices back (the print
// dialog of the standard windows). The printer is looked up by index in
// TPrinterSettings::PrinterNames().
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
