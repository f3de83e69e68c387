// The report preview window, the print dialog and the progress window, over a small report of
// one page per record.
#include "platform/dialogs.h"
#include "report/engine/rp_report.h"
#include "report/output/rp_export.h"
#include "report/rp_test_util.h"
#include "report/windows/rp_preview.h"
#include "report/windows/rp_printdialog.h"
#include "support/support.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTranslator>
#include <QtTest>
#include <ctime>

using namespace cotavia;

namespace {

// A Letter portrait report with one page per record.
struct PagesReport {
  explicit PagesReport(int pages) {
    QList<QByteArray> recs;
    for (int i = 1; i <= pages; ++i) recs << "record " + QByteArray::number(i);
    data.SetRecords(recs);
    data.Open();
    report.Page().SetPaperSize(TRpPaperSize::Letter);
    report.Page().SetOrientation(poPortrait);
    report.DataSet = &data;
    // A PDF-file printer takes any paper, whatever printers the machine has.
    report.PrinterSettings.PdfPrinter = {"Test PDF", QDir::temp().filePath("report_preview_test.pdf"), {}};
    report.PrinterSettings.PrinterIndex =
        TPrinterSettings::PrinterNames(report.PrinterSettings.PdfPrinter).indexOf("Test PDF");
    TRpBand* detail = report.AddBand(rbDetail);
    detail->Size().NativeHeight = 1500;  // more than half the printable length
    detail->Size().NativeWidth = 1900;
    label = detail->Add<TRpLabel>();
    label->SetBounds(10, 10, 100, 10);
    detail->BeforePrint = [this](TRpCustomBand&, bool&) { label->SetCaptionCp1252(data.Field()); };
  }
  TRpListDataSet data;
  TRpReport report;
  TRpLabel* label = nullptr;
};

}  // namespace

class ReportPreviewTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::TempDir> dir;
  HeadlessDialogs dlg;
  std::unique_ptr<DialogsGuard> dialogsGuard;
  const decltype(TRpPrintDialog::Runner) defaultRunner = TRpPrintDialog::Runner;

 private slots:
  void init() {
    dir = std::make_unique<test::TempDir>();
    dlg.clear();
    dialogsGuard = std::make_unique<DialogsGuard>(&dlg);
  }
  void cleanup() {
    dialogsGuard.reset();
    TRpPrintDialog::Runner = defaultRunner;
  }

  void zoomRulesOfThePreviewControl() {
    PagesReport r(1);
    r.report.Preview();  // headless: the pages stay in the report's printer
    TRpPreview pv;
    pv.SetRpPrinter(r.report.RpPrinter());
    pv.resize(800, 600);
    pv.show();
    // 800 px over a Letter page 816 px wide at 96 dpi, 90%: 88.
    pv.ZoomToWidth();
    QCOMPARE(pv.Zoom(), 88);
    QCOMPARE(pv.ZoomState(), TRpZoomState::ZoomToWidth);
    for (int bad : {1, 2001, 0, -5}) {
      pv.SetZoom(bad);
      QCOMPARE(pv.Zoom(), 88);
      QCOMPARE(pv.ZoomState(), TRpZoomState::ZoomToWidth);
    }
    pv.SetZoom(2);
    QCOMPARE(pv.Zoom(), 2);
    pv.SetZoom(2000);
    QCOMPARE(pv.Zoom(), 2000);
    QCOMPARE(pv.ZoomState(), TRpZoomState::ZoomCustom);
    // 100% is the paper's real size on screen (plus the 4-pixel frame and shadow).
    pv.SetZoom(100);
    QCOMPARE(pv.Image()->size(), QSize(816 + 4, 1056 + 4));
    // Zoom to fit takes the smaller fit: 95% of 800/816 (93) against 95% of 300/1056 (27).
    pv.resize(800, 300);
    pv.ZoomToFit();
    QCOMPARE(pv.Zoom(), 27);
    // A resize re-applies the zoom state.
    pv.resize(800, 1200);
    QCOMPARE(pv.Zoom(), 93);
    QCOMPARE(pv.ZoomState(), TRpZoomState::ZoomToFit);
    pv.SetRpPrinter(nullptr);
  }

  void pagesStatusAndKeysOfTheStandardWindow() {
    PagesReport r(5);
    r.report.Preview();
    TRpPrinter* p = r.report.RpPrinter();
    QCOMPARE(p->PageCount(), 5);
    TRpStandardPreview w(nullptr, *p);
    QCOMPARE(w.windowTitle(), QStringLiteral("Print Preview"));
    QVERIFY(w.Print->isEnabled());  // the document is complete
    QVERIFY(!w.PrintSetup->isEnabled());
    QVERIFY(w.ZoomToWidth->isChecked());
    QCOMPARE(w.StatusPanel0->text(), QStringLiteral("0%"));
    QCOMPARE(w.StatusPanel1->text(), QStringLiteral("Page 1 of 5"));
    QVERIFY(w.RpPreview->Image()->HasPage());
    QCOMPARE(w.ZoomFit->toolTip(), QStringLiteral("Zoom to fit"));
    QCOMPARE(w.ToolButton2->toolTip(), QStringLiteral("Next page"));
    QCOMPARE(w.ExitButton->text(), QStringLiteral("&Close"));

    struct Step {
      int key;
      Qt::KeyboardModifiers mods;
      int page;
    };
    const Step steps[] = {
        {Qt::Key_PageDown, Qt::NoModifier, 2},
        {Qt::Key_End, Qt::NoModifier, 5},
        {Qt::Key_PageDown, Qt::NoModifier, 5},  // next on the last page stays
        {Qt::Key_PageUp, Qt::NoModifier, 4},
        {Qt::Key_PageUp, Qt::ControlModifier, 1},
        {Qt::Key_PageUp, Qt::NoModifier, 1},
        {Qt::Key_PageDown, Qt::ControlModifier, 5},
        {Qt::Key_Home, Qt::NoModifier, 1},
        {Qt::Key_PageDown, Qt::ShiftModifier, 2},
        {Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier, 3},
    };
    for (const Step& s : steps) {
      // Keys reach the window first even when the page control has the focus.
      QTest::keyClick(w.RpPreview, Qt::Key(s.key), s.mods);
      QCOMPARE(w.RpPreview->PageNumber(), s.page);
      QCOMPARE(w.StatusPanel1->text(), QStringLiteral("Page %1 of 5").arg(s.page));
      QCOMPARE(w.RpPreview->Image()->PageNumber, s.page);
    }
    w.LastPage->click();
    QCOMPARE(w.StatusPanel1->text(), QStringLiteral("Page 5 of 5"));
    w.PreviousPage->click();
    w.PreviousPage->click();
    QCOMPARE(w.StatusPanel1->text(), QStringLiteral("Page 3 of 5"));
    w.FirstPage->click();
    QCOMPARE(w.StatusPanel1->text(), QStringLiteral("Page 1 of 5"));

    // Progress: steps below 5 points leave the panel; 0 and 100 empty it.
    w.RpPreview->ProgressUpdate(3);
    QCOMPARE(w.StatusPanel0->text(), QStringLiteral("0%"));
    w.RpPreview->ProgressUpdate(5);
    QCOMPARE(w.StatusPanel0->text(), QStringLiteral("5%"));
    w.RpPreview->ProgressUpdate(9);
    QCOMPARE(w.StatusPanel0->text(), QStringLiteral("5%"));
    w.RpPreview->ProgressUpdate(12);
    QCOMPARE(w.StatusPanel0->text(), QStringLiteral("12%"));
    w.RpPreview->ProgressUpdate(100);
    QCOMPARE(w.StatusPanel0->text(), QString());

    // Tab reaches every toolbar button from the page, and Enter presses the one with the focus.
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.PrintSetup->setEnabled(true);
    QStringList reached;
    w.RpPreview->setFocus();
    for (int i = 0; i < 14; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      reached << QApplication::focusWidget()->objectName();
    }
    for (const char* name : {"ZoomFit", "FirstPage", "LastPage", "PrintSetup", "Print", "SaveReport", "ExitButton"})
      QVERIFY2(reached.contains(name), name);
    w.RpPreview->SetPageNumber(3);
    w.FirstPage->setFocus();
    QTest::keyClick(w.FirstPage, Qt::Key_Return);
    QCOMPARE(w.RpPreview->PageNumber(), 1);
    w.PrintSetup->setEnabled(false);

    // Zoom buttons.
    w.Zoom100->click();
    QCOMPARE(w.RpPreview->Zoom(), 100);
    w.ZoomFit->click();
    QCOMPARE(w.RpPreview->ZoomState(), TRpZoomState::ZoomToFit);
  }

  void saveLoadExportAndAMissingFile() {
    PagesReport r(3);
    r.report.Preview();
    TRpPrinter* p = r.report.RpPrinter();
    TRpStandardPreview w(nullptr, *p);
    QCOMPARE(TRpStandardPreview::SaveFilter(), QStringLiteral("Report file(*.RPF);;PDF document (*.pdf)"));
    QCOMPARE(TRpStandardPreview::LoadFilter(), QStringLiteral("Report file (*.RPF)"));

    const QStringList entries = TRpStandardPreview::SaveFilter().split(";;");
    dlg.fileAnswers = {dir->file("saved")};  // no extension: the chosen entry's is added
    w.SaveReport->click();
    QCOMPARE(dlg.log.last().kind, HeadlessDialogs::Entry::SaveFile);
    QCOMPARE(dlg.log.last().caption, QStringLiteral("Save report"));
    QVERIFY(dir->exists("saved.RPF"));
    dlg.fileAnswers = {dir->file("saved.pdf")};
    dlg.filterAnswers = {entries[1]};
    w.SaveReport->click();
    QVERIFY(dir->read("saved.pdf").startsWith("%PDF-"));
    QCOMPARE(dlg.count(HeadlessDialogs::Entry::SaveFile), dlg.log.size());

    // Load: a name that does not exist leaves the pages as they are.
    w.GoLast();
    dlg.fileAnswers = {dir->file("missing.RPF")};
    w.LoadReport->click();
    QCOMPARE(dlg.log.at(dlg.log.size() - 2).kind, HeadlessDialogs::Entry::OpenFile);
    QCOMPARE(dlg.log.at(dlg.log.size() - 2).caption, QStringLiteral("Load report"));
    QCOMPARE(dlg.lastText(), QStringLiteral("File does not exist"));
    QCOMPARE(dlg.count(HeadlessDialogs::Entry::Message), 1);
    QCOMPARE(w.StatusPanel1->text(), QStringLiteral("Page 3 of 3"));
    QVERIFY(w.RpPreview->Image()->HasPage());

    // A saved file of another report loads in its place, at page 1, printable, setup disabled.
    PagesReport other(2);
    other.report.Preview();
    other.report.RpPrinter()->Save(dir->file("two.RPF"));
    w.PrintSetup->setEnabled(true);
    dlg.fileAnswers = {dir->file("two.RPF")};
    w.LoadReport->click();
    QCOMPARE(w.StatusPanel1->text(), QStringLiteral("Page 1 of 2"));
    QVERIFY(w.RpPreview->Image()->HasPage());
    QVERIFY(w.Print->isEnabled());
    QVERIFY(!w.PrintSetup->isEnabled());
    QVERIFY(p->LoadedFromFile());

    // A damaged file is reported, not shown.
    dir->write("bad.RPF", QByteArray(40, 'x'));
    dlg.fileAnswers = {dir->file("bad.RPF")};
    w.LoadReport->click();
    QCOMPARE(dlg.count(HeadlessDialogs::Entry::Error), 1);
    QVERIFY(dlg.lastText().contains("bad.RPF"));
  }

  void aDamagedPageOfAFileIsReportedAndShownBlank() {
    const QString file = dir->file("damaged.rpf");
    test::writeReportFile(file,
                          {test::bytes(test::markedPage(1)), test::damagedPage(), test::bytes(test::markedPage(3))});
    TRpPrinter p;
    p.Load(file);
    TRpStandardPreview w(nullptr, p);
    QVERIFY(w.RpPreview->Image()->HasPage());
    w.RpPreview->SetPageNumber(2);
    QVERIFY(!w.RpPreview->Image()->HasPage());
    QCOMPARE(dlg.count(HeadlessDialogs::Entry::Error), 1);
    QVERIFY2(dlg.lastText().contains(QStringLiteral("page 2: command ")), qPrintable(dlg.lastText()));
    w.RpPreview->SetPageNumber(3);
    QVERIFY(w.RpPreview->Image()->HasPage());
    w.grab();  // paints without the missing page
    QCOMPARE(dlg.count(HeadlessDialogs::Entry::Error), 1);
  }

  void liveGenerationShowsPagesAndEnablesPrintingWhenComplete() {
    TRpStandardPreviewInterface ui;
    rpSetPreviewInterface(&ui);
    PagesReport r(4);
    bool sawWindow = false, printEnabled = false, setupEnabled = false, hasPage = false;
    QString info;
    int tries = 0;
    QObject context;
    std::function<void()> look = [&] {
      TRpStandardPreview* w = ui.LastPreview;
      if (w && w->Print->isEnabled()) {
        sawWindow = true;
        printEnabled = true;
        setupEnabled = w->PrintSetup->isEnabled();
        hasPage = w->RpPreview->Image()->HasPage();
        info = w->StatusPanel1->text();
        QCOMPARE(w->RpPreview->ZoomState(), TRpZoomState::ZoomToWidth);
        w->close();
        return;
      }
      if (++tries > 300) {
        if (w) w->close();
        return;
      }
      QTimer::singleShot(10, &context, look);
    };
    QTimer::singleShot(0, &context, look);
    r.report.Preview();  // returns once the window is closed
    rpSetPreviewInterface(nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!ui.LastPreview);  // the window freed itself
    QVERIFY(sawWindow);
    QVERIFY(printEnabled);
    QVERIFY(setupEnabled);
    QVERIFY(hasPage);
    QCOMPARE(info, QStringLiteral("Page 1 of 4"));
  }

  // While the window is open the report waits for it without spinning: a second of an idle
  // preview costs well under a tenth of a second of processor time.
  void anOpenPreviewWaitsWithoutUsingTheProcessor() {
    TRpStandardPreviewInterface ui;
    rpSetPreviewInterface(&ui);
    PagesReport r(2);
    std::clock_t start = 0, end = 0;
    QObject context;
    QTimer::singleShot(300, &context, [&] { start = std::clock(); });
    QTimer::singleShot(1300, &context, [&] {
      end = std::clock();
      if (ui.LastPreview) ui.LastPreview->close();
    });
    r.report.Preview();  // returns once the window is closed
    rpSetPreviewInterface(nullptr);
    QVERIFY(start != 0 && end != 0);
    const double seconds = double(end - start) / CLOCKS_PER_SEC;
    QVERIFY2(seconds < 0.1, qPrintable(QStringLiteral("%1 CPU-s in 1 s").arg(seconds)));
  }

  // The windows speak Portuguese once the translations are loaded for a Portuguese locale, and
  // stay as written for any other.
  void portugueseTextsForAPortugueseLocale() {
    QVERIFY(!rpInstallTranslations(QLocale::c()));
    QTranslator* t = rpInstallTranslations(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QVERIFY(t);
    PagesReport r(2);
    r.report.Preview();
    TRpStandardPreview w(nullptr, *r.report.RpPrinter());
    TRpProgressForm f(*r.report.RpPrinter());
    const QStringList shown = {w.windowTitle(), w.StatusPanel1->text(), w.ExitButton->text(), f.CancelButton->text()};
    QCoreApplication::removeTranslator(t);
    QCOMPARE(shown, QStringList({"Visualizar impressão", "Página 1 de 2", "&Fechar", "Cancelar"}));
  }

  void printDialogRangesAndCopies() {
    TRpStandardPreviewInterface ui;
    rpSetPreviewInterface(&ui);
    struct Offer {
      int min, max, from, to, copies;
    } offer{};
    TRpPrintDialog::Result answer;
    bool confirm = true;
    int printerCopies = 0;
    TRpPrintDialog::Runner = [&](TRpPrintForm& d, QPrinter& printer, TRpPrintDialog::Result& result) {
      offer = {d.minPage(), d.maxPage(), printer.fromPage(), printer.toPage(), printer.copyCount()};
      if (printerCopies) printer.setCopyCount(printerCopies);
      result = answer;
      return confirm;
    };

    // No finished document: pages 0 to 9999.
    PagesReport r(7);
    r.report.PrinterSettings.Copies = 2;
    answer.range = TRpPrintRange::prAllPages;
    answer.copies = 2;
    QVERIFY(r.report.PrintSetup());
    QCOMPARE(offer.min, 0);
    QCOMPARE(offer.max, 9999);
    QCOMPARE(offer.copies, 2);

    // A finished document of 7 pages: 1 to 7, preset 1 to 7.
    rpSetPreviewInterface(nullptr);
    r.report.Preview();  // no window: the pages stay
    rpSetPreviewInterface(&ui);
    answer.range = TRpPrintRange::prPageNums;
    answer.fromPage = 2;
    answer.toPage = 3;
    answer.copies = 4;
    QVERIFY(r.report.PrintSetup());
    QCOMPARE(offer.min, 1);
    QCOMPARE(offer.max, 7);
    QCOMPARE(offer.from, 1);
    QCOMPARE(offer.to, 7);
    QCOMPARE(r.report.PrinterSettings.FirstPage, 2);
    QCOMPARE(r.report.PrinterSettings.LastPage, 3);
    QCOMPARE(r.report.PrinterSettings.Copies, 4);
    QCOMPARE(r.report.Tag, 0);

    // All pages: no limit. A returned count of 1 takes the printer's own count.
    answer.range = TRpPrintRange::prAllPages;
    answer.copies = 1;
    printerCopies = 3;
    QVERIFY(r.report.PrintSetup());
    QCOMPARE(r.report.PrinterSettings.FirstPage, 0);
    QCOMPARE(r.report.PrinterSettings.LastPage, 0);
    QCOMPARE(r.report.PrinterSettings.Copies, 3);

    // Cancelled: nothing changes, Tag 1.
    confirm = false;
    answer.copies = 9;
    QVERIFY(!r.report.PrintSetup());
    QCOMPARE(r.report.PrinterSettings.Copies, 3);
    QCOMPARE(r.report.Tag, 1);
    rpSetPreviewInterface(nullptr);
  }

  void progressWindowStepsOfFiveAndCancel() {
    TRpPrinter printer;
    TRpProgressForm f(printer);
    QCOMPARE(f.windowTitle(), QStringLiteral("Printing progress"));
    QCOMPARE(f.CancelButton->text(), QStringLiteral("Cancel"));
    printer.SetViewer(&f);
    printer.SetProgressPercent(52);
    QCOMPARE(f.Gauge->value(), 0);
    QCOMPARE(f.Info->text(), QString());
    printer.SetProgressPercent(55);
    QCOMPARE(f.Gauge->value(), 55);
    QCOMPARE(f.Info->text(), QStringLiteral("55%  Completed"));
    printer.SetProgressPercent(57);
    QCOMPARE(f.Gauge->value(), 55);
    QVERIFY(!printer.Cancelled());
    f.CancelButton->click();
    QVERIFY(printer.Cancelled());
    printer.SetViewer(nullptr);
  }

  void pdfExportKeepsEveryPageAndRefusesAnIncompleteDocument() {
    PagesReport r(3);
    TRpPrinter idle;
    QVERIFY_THROWS_EXCEPTION(ERpError, rpExportPdf(idle, dir->file("x.pdf")));
    QVERIFY(!dir->exists("x.pdf"));
    r.report.Preview();
    rpExportPdf(*r.report.RpPrinter(), dir->file("r.pdf"));
    const QByteArray pdf = dir->read("r.pdf");
    QVERIFY(pdf.startsWith("%PDF-"));
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    QCOMPARE(QString::fromLatin1(pdf).count(page), 3);
    // A folder that cannot be written: the error names the file.
    try {
      rpExportPdf(*r.report.RpPrinter(), dir->file("no/such/folder/r.pdf"));
      QFAIL("wrote into a missing folder");
    } catch (const AppError& e) {
      QVERIFY(QString::fromUtf8(e.what()).contains("no/such/folder/r.pdf"));
    }
  }
};

QTEST_MAIN(ReportPreviewTest)
#include "report_preview_test.moc"
