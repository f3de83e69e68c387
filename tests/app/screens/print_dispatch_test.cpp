// "Imprimir" of the proposal editor on the graphic side: which choice opens the report preview,
// what the preview shows, and a proposal file that cannot be opened.
#include "app/screens/print_dispatch.h"

#include "app/core/core_fixtures.h"
#include "platform/dialogs.h"
#include "report/windows/rp_preview.h"
#include "report/windows/rp_printdialog.h"
#include "support/support.h"

#include <QApplication>
#include <QPrinter>
#include <QTimer>
#include <QtTest>

using namespace cotavia;

namespace {
// The report preview on screen, if any.
TRpStandardPreview* shownPreview() {
  TRpStandardPreview* w = nullptr;
  for (QWidget* t : QApplication::topLevelWidgets())
    if (auto* p = qobject_cast<TRpStandardPreview*>(t); p && p->isVisible()) w = p;
  return w;
}
}  // namespace

class PrintDispatchTest : public QObject {
  Q_OBJECT

  // Runs "Imprimir" and, from inside the preview, records what it shows and closes it.
  struct Seen {
    bool preview = false;
    QString pageInfo, title;
    bool printEnabled = false, hasPage = false;
  };
  Seen press(const PrintRequest& req) {
    Seen seen;
    QObject context;  // pending checks die with it
    std::function<void()> look;
    int tries = 0;
    look = [&] {
      TRpStandardPreview* w = shownPreview();
      if (w && (w->Print->isEnabled() || ++tries > 200)) {
        seen.preview = true;
        seen.pageInfo = w->StatusPanel1->text();
        seen.title = w->windowTitle();
        seen.printEnabled = w->Print->isEnabled();
        seen.hasPage = w->RpPreview->Image()->HasPage();
        w->close();
        return;
      }
      if (!w && ++tries > 200) return;
      QTimer::singleShot(10, &context, look);
    };
    QTimer::singleShot(0, &context, look);
    printProposal(req);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return seen;
  }

  PrintRequest request(int choice) {
    PrintRequest r;
    r.proposal = {dir->path(), "P0001.KVT", "12345678000190"};
    r.choice = choice;
    return r;
  }

  std::unique_ptr<test::TempDir> dir;

 private slots:
  void init() {
    dir = std::make_unique<test::TempDir>();
    QList<QByteArray> lines = test::standardHeader();
    for (int i = 1; i <= 30; ++i) {
      test::Item it;
      it.number = QByteArray::number(i).rightJustified(4, '0');
      lines << test::itemLine(it);
    }
    dir->write("P0001.KVT", test::joinCrLf(lines));
    dir->write("E12345678000190_P0001.KVT", test::joinCrLf(lines));  // saved
  }

  void graphicChoiceAndNoChoiceOpenThePreviewOfTheSavedProposal() {
    // The input file copied in again after the save: the preview still shows the saved one.
    dir->write("P0001.KVT", test::joinCrLf(test::standardHeader() << test::itemLine(test::Item())));
    for (int choice : {1, -1, 7}) {
      HeadlessDialogs dlg;
      DialogsGuard guard(&dlg);
      const Seen seen = press(request(choice));
      QVERIFY2(seen.preview, qPrintable(QString::number(choice)));
      QCOMPARE(seen.pageInfo, QStringLiteral("Page 1 of 2"));
      QVERIFY(seen.printEnabled);
      QVERIFY(seen.hasPage);
      QCOMPARE(seen.title, QStringLiteral("Proposta P0001 - PREFEITURA MUNICIPAL DE SÃO TESTE"));
      QCOMPARE(dlg.log.size(), 0);
    }
  }

  void aProposalFileThatCannotBeOpenedIsReportedAndNoPreviewShows() {
    HeadlessDialogs dlg;
    DialogsGuard guard(&dlg);
    PrintRequest r = request(1);
    r.proposal.inputFileName = "P0404.KVT";
    QDir(dir->path()).mkdir("E12345678000190_P0404.KVT");  // a folder where the saved proposal should be
    const Seen seen = press(r);
    QVERIFY(!seen.preview);
    QCOMPARE(dlg.count(HeadlessDialogs::Entry::Error), 1);
    QVERIFY2(dlg.lastText().contains("E12345678000190_P0404.KVT"), qPrintable(dlg.lastText()));
  }

  // A proposal never saved: the text printout is refused before any window opens; the graphic
  // report shows the input file's items, without amounts.
  void aProposalNeverSavedHasOnlyTheGraphicPrintout() {
    QFile::remove(dir->file("E12345678000190_P0001.KVT"));
    for (int choice : {1, 0}) {
      HeadlessDialogs dlg;
      DialogsGuard guard(&dlg);
      const Seen seen = press(request(choice));
      QCOMPARE(seen.preview, choice == 1);
      QCOMPARE(dlg.log.size(), choice == 1 ? 0 : 1);
      if (choice == 1) {
        QCOMPARE(seen.pageInfo, QStringLiteral("Page 1 of 2"));
        continue;
      }
      QCOMPARE(dlg.log[0].kind, HeadlessDialogs::Entry::Message);
      QVERIFY2(dlg.lastText().startsWith("A proposta P0001.KVT ainda não foi gravada"), qPrintable(dlg.lastText()));
      QVERIFY(dlg.lastText().contains("Pressione \"Gravar\""));
    }
  }

  void aBadNumberInTheFileEndsThePrintoutWithTheRuntimeMessage() {
    HeadlessDialogs dlg;
    DialogsGuard guard(&dlg);
    test::Item bad;
    bad.quantity = "1x";
    dir->write("E12345678000190_P0001.KVT", test::joinCrLf(test::standardHeader() << test::itemLine(bad)));
    press(request(1));
    QCOMPARE(dlg.count(HeadlessDialogs::Entry::Error), 1);
    QVERIFY2(dlg.lastText().contains("is not a valid floating point value"), qPrintable(dlg.lastText()));
    // No preview window is left behind.
    for (QWidget* t : QApplication::topLevelWidgets())
      QVERIFY(!qobject_cast<TRpStandardPreview*>(t) || !t->isVisible());
  }

  // In the preview, "Setup", "Arquivo PDF..." and a file name write the PDF at once and say
  // where; the preview stays open.
  void aPdfFileChosenInTheSetupIsWrittenAtOnce() {
    HeadlessDialogs dlg;
    DialogsGuard guard(&dlg);
    const auto defaultRunner = TRpPrintDialog::Runner;
    TRpPrintDialog::Runner = [&](TRpPrintForm&, QPrinter&, TRpPrintDialog::Result& result) {
      result.printToFile = true;
      result.pdfFile = dir->file("Escolhido.pdf");
      return true;
    };
    bool stillOpen = false;
    QObject context;
    int tries = 0;
    std::function<void()> step = [&] {
      TRpStandardPreview* w = shownPreview();
      if (w && w->PrintSetup->isEnabled()) {
        w->PrintSetup->click();
        for (int i = 0; i < 100 && dlg.count(HeadlessDialogs::Entry::Message) == 0; ++i) QTest::qWait(10);
        stillOpen = w->isVisible();
        w->close();
        return;
      }
      if (++tries < 300) QTimer::singleShot(10, &context, step);
    };
    QTimer::singleShot(0, &context, step);
    printProposal(request(1));
    TRpPrintDialog::Runner = defaultRunner;
    QVERIFY(dir->read("Escolhido.pdf").startsWith("%PDF-"));
    QVERIFY(stillOpen);
    QCOMPARE(dlg.count(HeadlessDialogs::Entry::Message), 1);
    const QString lead = TPrinterSettings::PrinterNames().isEmpty() ? "Nenhuma impressora instalada: o" : "O";
    QCOMPARE(dlg.lastText(), lead + " relatório foi gravado em " + dir->file("Escolhido.pdf"));
  }

  void withoutAnyPrinterAPdfFileStandsInSoThePageKeepsItsPaper() {
    if (!TPrinterSettings::PrinterNames().isEmpty()) QSKIP("printers are installed on this machine");
    HeadlessDialogs dlg;
    DialogsGuard guard(&dlg);
    dlg.fileAnswers = {dir->file("Proposta.pdf")};
    // Look at the paper, print from the preview (it asks where, offering the proposal's name),
    // then close it.
    double pageWidth = 0, pageLength = 0;
    QObject context;
    int tries = 0;
    std::function<void()> step = [&] {
      TRpStandardPreview* w = shownPreview();
      if (w && w->Print->isEnabled()) {
        const TRpMetafile* page = w->RpPreview->Image()->Page();
        if (page) {
          pageWidth = page->boundingRect().width();
          pageLength = page->boundingRect().height();
        }
        w->Print->click();
        for (int i = 0; i < 50 && !dir->exists("Proposta.pdf"); ++i) QCoreApplication::processEvents();
        w->close();
        return;
      }
      if (++tries < 300) QTimer::singleShot(10, &context, step);
    };
    QTimer::singleShot(0, &context, step);
    printProposal(request(1));
    // A4 landscape at 96 dpi: 1123 x 794 page pixels.
    QCOMPARE(qRound(pageWidth), 1123);
    QCOMPARE(qRound(pageLength), 794);
    QVERIFY(dir->read("Proposta.pdf").startsWith("%PDF-"));
    QVERIFY(dir->read("Proposta.pdf").contains("/Author <FEFF"));  // written by the report's own PDF writer
    QVERIFY(!dir->exists("P0001.pdf"));
    QCOMPARE(dlg.count(HeadlessDialogs::Entry::SaveFile), 1);
    QCOMPARE(dlg.log.first().text, dir->file("P0001.pdf"));
    QCOMPARE(dlg.count(HeadlessDialogs::Entry::Message), 1);
    QVERIFY(dlg.lastText().contains("Proposta.pdf"));
  }
};

QTEST_MAIN(PrintDispatchTest)
#include "print_dispatch_test.moc"
