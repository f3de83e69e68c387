// "Imprimir" with the text printout: the setup window first, then the preview, on the editor's
// text print component, driven as a user would through the modal windows.
#include "app/screens/text_print_gui.h"
#include "gui_fixtures.h"
#include "textprint/txprevi.h"
#include "textprint/txsetup.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace cotavia;
using namespace cotavia::test;

namespace {

// Acts on every modal window that comes up while `run` goes on.
void onEachModalWindow(const std::function<void(QWidget*)>& act, const std::function<void()>& run) {
  QTimer t;
  QWidget* last = nullptr;
  QObject::connect(&t, &QTimer::timeout, [&] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || w == last || !w->isVisible()) return;
    last = w;
    act(w);
  });
  t.start(10);
  run();
}

}  // namespace

class TextPrintGuiTest : public QObject, ScreenTest {
  Q_OBJECT

  ProposalRef proposal() const { return {dir->path(), "P0001.KVT", "12345678000195"}; }

 private slots:
  void init() {
    qputenv("CUPS_SERVER", "/nonexistent/cotavia-test/cups.sock");
    freshFolder({});
    const QByteArray demo = cotavia::test::readFile(cotavia::test::sourceDir() + "/demo/P0001.KVT");
    QVERIFY(!demo.isEmpty());
    dir->write("P0001.KVT", demo);
    dir->write("E12345678000195_P0001.KVT", demo);
  }
  void cleanup() {
    dir.reset();
    qunsetenv("CUPS_SERVER");
  }

  void setupThenPreviewAndTheSettingsStayWithTheEditor() {
    QWidget editor;
    editor.show();
    QStringList seen;
    int modelSeen = -1;
    onEachModalWindow(
        [&](QWidget* w) {
          if (auto* s = qobject_cast<TTxSetup*>(w)) {
            seen << "setup";
            QVERIFY(!s->CANCELAR->isHidden());
            QCOMPARE(s->IMPRESSORAS->currentText(), TTxSetup::semImpressoraTexto());
            s->MODELOS->setCurrentIndex(int(TModelo::Rima));
            QTest::mouseClick(s->OK, Qt::LeftButton);
          } else if (auto* p = qobject_cast<TTxPrevi*>(w)) {
            seen << p->windowTitle();
            QVERIFY(p->UltimaPagina() >= 2);
            QTest::keyClick(p, Qt::Key_End);
            seen << p->windowTitle();
            QTest::keyClick(p, Qt::Key_Escape);
          }
        },
        [&] { printTextWithWindows(&editor, proposal()); });
    QCOMPARE(seen.size(), 3);
    QCOMPARE(seen[0], QStringLiteral("setup"));
    QVERIFY(seen[1].startsWith(QStringLiteral("Visualização da Impressão - Página 1/")));
    QVERIFY(seen[2].startsWith(QStringLiteral("Visualização da Impressão - Página ")));
    QVERIFY(seen[2] != seen[1]);
    QVERIFY(dlg.log.isEmpty());
    QVERIFY(editor.isEnabled());

    // The next printout of the same editor starts from what the setup chose.
    onEachModalWindow(
        [&](QWidget* w) {
          if (auto* s = qobject_cast<TTxSetup*>(w)) {
            modelSeen = s->MODELOS->currentIndex();
            QTest::mouseClick(s->CANCELAR, Qt::LeftButton);
          }
        },
        [&] { printTextWithWindows(&editor, proposal()); });
    QCOMPARE(modelSeen, int(TModelo::Rima));
  }

  // A proposal never saved (no response file) is refused before any window opens, saying so and
  // how to save it.
  void aProposalNeverSavedIsRefusedBeforeAnyWindow() {
    QFile::remove(dir->file("E12345678000195_P0001.KVT"));
    QWidget editor;
    int windows = 0;
    onEachModalWindow([&](QWidget* w) { ++windows, w->close(); }, [&] { printTextWithWindows(&editor, proposal()); });
    QCOMPARE(windows, 0);
    QCOMPARE(dlg.log.size(), 1);
    QVERIFY2(dlg.lastText().startsWith("A proposta P0001.KVT ainda não foi gravada"), qPrintable(dlg.lastText()));
    QVERIFY(dlg.lastText().contains("\"Gravar\""));
  }
};

QTEST_MAIN(TextPrintGuiTest)
#include "text_print_gui_test.moc"
