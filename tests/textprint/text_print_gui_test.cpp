// "Imprimir" with the text printout: the setup window first, then the preview, on the editor's
// text print component, driven as a user would through the modal windows.
#include "app/screens/text_print_gui.h"
#include "platform/dialogs.h"
#include "support/support.h"
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
using cotavia::test::TempDir;

namespace {

// Acts on every modal window that comes up while `run` goes on.
void comJanelas(const std::function<void(QWidget*)>& age, const std::function<void()>& run) {
  QTimer t;
  QWidget* ultima = nullptr;
  QObject::connect(&t, &QTimer::timeout, [&] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || w == ultima || !w->isVisible()) return;
    ultima = w;
    age(w);
  });
  t.start(10);
  run();
}

}  // namespace

class TextPrintGuiTest : public QObject {
  Q_OBJECT
  HeadlessDialogs dlg_;
  DialogsGuard* guard_ = nullptr;
  TempDir* dir_ = nullptr;

  PrintRequest pedido(QWidget* editor) {
    PrintRequest r;
    r.editor = editor;
    r.folder = dir_->path();
    r.proposalFile = "P0001.KVT";
    r.identity = "12345678000195";
    r.choice = 0;
    return r;
  }

 private slots:
  void init() {
    qputenv("CUPS_SERVER", "/nonexistent/cotavia-test/cups.sock");
    dlg_.log.clear();
    guard_ = new DialogsGuard(&dlg_);
    dir_ = new TempDir;
    const QByteArray demo = cotavia::test::readFile(cotavia::test::sourceDir() + "/demo/P0001.KVT");
    QVERIFY(!demo.isEmpty());
    dir_->write("P0001.KVT", demo);
    dir_->write("E12345678000195_P0001.KVT", demo);
  }
  void cleanup() {
    delete dir_;
    delete guard_;
    qunsetenv("CUPS_SERVER");
  }

  void setupThenPreviewAndTheSettingsStayWithTheEditor() {
    QWidget editor;
    editor.show();
    QStringList vistas;
    int modeloVisto = -1;
    comJanelas(
        [&](QWidget* w) {
          if (auto* s = qobject_cast<TTxSetup*>(w)) {
            vistas << "setup";
            QVERIFY(!s->CANCELAR->isHidden());
            QCOMPARE(s->IMPRESSORAS->currentText(), TTxSetup::semImpressoraTexto());
            s->MODELOS->setCurrentIndex(int(TModelo::Rima));
            QTest::mouseClick(s->OK, Qt::LeftButton);
          } else if (auto* p = qobject_cast<TTxPrevi*>(w)) {
            vistas << p->windowTitle();
            QVERIFY(p->UltimaPagina() >= 2);
            QTest::keyClick(p, Qt::Key_End);
            vistas << p->windowTitle();
            QTest::keyClick(p, Qt::Key_Escape);
          }
        },
        [&] { printTextWithWindows(pedido(&editor)); });
    QCOMPARE(vistas.size(), 3);
    QCOMPARE(vistas[0], QStringLiteral("setup"));
    QVERIFY(vistas[1].startsWith(QStringLiteral("Visualização da Impressão - Página 1/")));
    QVERIFY(vistas[2].startsWith(QStringLiteral("Visualização da Impressão - Página ")));
    QVERIFY(vistas[2] != vistas[1]);
    QVERIFY(dlg_.log.isEmpty());
    QVERIFY(editor.isEnabled());

    // The next printout of the same editor starts from what the setup chose.
    comJanelas(
        [&](QWidget* w) {
          if (auto* s = qobject_cast<TTxSetup*>(w)) {
            modeloVisto = s->MODELOS->currentIndex();
            QTest::mouseClick(s->CANCELAR, Qt::LeftButton);
          }
        },
        [&] { printTextWithWindows(pedido(&editor)); });
    QCOMPARE(modeloVisto, int(TModelo::Rima));
  }

  // A proposal never saved (no response file) is refused before any window opens, saying so and
  // how to save it.
  void aProposalNeverSavedIsRefusedBeforeAnyWindow() {
    QFile::remove(dir_->file("E12345678000195_P0001.KVT"));
    QWidget editor;
    int windows = 0;
    comJanelas([&](QWidget* w) { ++windows, w->close(); }, [&] { printTextWithWindows(pedido(&editor)); });
    QCOMPARE(windows, 0);
    QCOMPARE(dlg_.log.size(), 1);
    QVERIFY2(dlg_.lastText().startsWith("A proposta P0001.KVT ainda não foi gravada"), qPrintable(dlg_.lastText()));
    QVERIFY(dlg_.lastText().contains("\"Gravar\""));
  }
};

QTEST_MAIN(TextPrintGuiTest)
#include "text_print_gui_test.moc"
