// Preview, setup and progress windows of the text print engine, driven headless.
#include "platform/dialogs.h"
#include "platform/files.h"
#include "support/support.h"
#include "textprint/txprevi.h"
#include "textprint/txprint.h"
#include "textprint/txprogr.h"
#include "textprint/txsetup.h"
#include "textprint/txwidgetui.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace cotavia;
using cotavia::test::TempDir;

namespace {

// A job of `paginas` pages with a heading box and a few lines on each; left open.
void abreJob(TTxPrint& tx, int paginas, int linhasPorPagina = 3) {
  QVERIFY(tx.Abrir());
  for (int p = 1; p <= paginas; ++p) {
    if (p > 1) tx.NovaPagina();
    tx.ImpF(1, 25, "LICITAÇÃO - PROPOSTA", TFonte::negrito | TFonte::normal);
    tx.Box(4, 1, 12, 80, false);
    for (int l = 0; l < linhasPorPagina; ++l)
      tx.ImpF(15 + l, 2, QByteArray("ITEM ") + QByteArray::number(p * 100 + l), TFonte::comp17);
  }
}

// The window at the given size, shown and drawn.
void mostra(QWidget& w, QSize tamanho) {
  w.resize(tamanho);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
}

void fechaJob(TTxPrint& tx) {
  if (tx.JobAberto()) tx.Abortar();
}

QList<cups::Destination> impressoras(const QStringList& nomes, int padrao = -1) {
  QList<cups::Destination> l;
  for (int i = 0; i < nomes.size(); ++i) {
    cups::Destination d;
    d.name = nomes[i];
    d.isDefault = i == padrao;
    l.append(d);
  }
  return l;
}

}  // namespace

// The windows' tests answer every box headlessly (fresh answers for each test) and leave no job
// open, even when a check fails.
class TxWindowTest : public QObject {
  Q_OBJECT

 protected:
  HeadlessDialogs dlg_;
  DialogsGuard* guard_ = nullptr;

 private slots:
  void init() {
    dlg_.log.clear();
    dlg_.answers.clear();
    dlg_.fileAnswers.clear();
    dlg_.filterAnswers.clear();
    guard_ = new DialogsGuard(&dlg_);
  }
  void cleanup() {
    delete guard_;
    guard_ = nullptr;
  }
};

// ---------------------------------------------------------------------------------------------
class TxPreviTest : public TxWindowTest {
  Q_OBJECT

 private slots:

  void pictureAndVisorSizesInBothPaperModes() {
    TTxPrint tx;
    abreJob(tx, 1);
    {
      TTxPrevi w(tx);
      w.show();
      QCOMPARE(w.Figura(), QSize(670, 1086));
      QCOMPARE(w.Zoom(), 100.0);
      QCOMPARE(w.VISOR->size(), QSize(680, 1096));
      QCOMPARE(w.Picture().boundingRect(), QRect(0, 0, 670, 1086));
      w.DefineZoom(50);
      QCOMPARE(w.VISOR->size(), QSize(345, 553));  // 335 + 10, round(543) + 10
    }
    tx.OpcoesPreview.Remalina = true;
    tx.OpcoesPreview.PaginaZebrada = true;
    {
      TTxPrevi w(tx);
      w.show();
      QCOMPARE(w.Figura(), QSize(710, 1056));
      QCOMPARE(w.VISOR->size(), QSize(720, 1066));
      // The page is really drawn: the picture shows dark text and frame pixels.
      QImage img = w.VISOR->grab().toImage();
      int escuros = 0;
      for (int y = 0; y < img.height(); y += 2)
        for (int x = 0; x < img.width(); x += 2)
          if (qGray(img.pixel(x, y)) < 100) ++escuros;
      QVERIFY2(escuros > 200, qPrintable(QString::number(escuros)));
    }
    fechaJob(tx);
  }

  // The toolbar's pictures come from SVG resources: a missing file or SVG support leaves a
  // button blank.
  void everyToolbarButtonShowsItsPicture() {
    TTxPrint tx;
    abreJob(tx, 1);
    {
      TTxPrevi w(tx);
      w.show();
      const auto botoes = w.findChildren<QToolButton*>();
      QVERIFY(botoes.size() >= 12);
      for (QToolButton* b : botoes) {
        const QImage img = b->icon().pixmap(22, 22).toImage();
        int pintados = 0;
        for (int y = 0; y < img.height(); ++y)
          for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 0) ++pintados;
        QVERIFY2(pintados > 20, qPrintable(b->objectName()));
      }
    }
    fechaJob(tx);
  }

  void initialZoomRules_data() {
    QTest::addColumn<int>("previewZoom");
    QTest::addColumn<int>("esperado");  // -1: fit width, 0: whole page
    QTest::newRow("100") << 100 << 100;
    QTest::newRow("10 is raised to the minimum") << 10 << 20;
    QTest::newRow("500 gives 100") << 500 << 100;
    QTest::newRow("-2 gives 100") << -2 << 100;
    QTest::newRow("-7 gives 100") << -7 << 100;
    QTest::newRow("400") << 400 << 400;
    QTest::newRow("fit width") << -1 << -1;
    QTest::newRow("whole page") << 0 << 0;
  }
  void initialZoomRules() {
    QFETCH(int, previewZoom);
    QFETCH(int, esperado);
    TTxPrint tx;
    tx.OpcoesPreview.PreviewZoom = previewZoom;
    abreJob(tx, 1);
    TTxPrevi w(tx);
    mostra(w, QSize(900, 700));
    if (esperado > 0) {
      QCOMPARE(w.Zoom(), double(esperado));
    } else if (esperado == -1) {
      const int z = int((w.Scroller->width() - 30) * 100.0 / 670);
      QCOMPARE(w.Zoom(), double(qBound(20, z, 400)));
    } else {
      // The whole page fits without scrolling.
      const QSize v = w.Scroller->maximumViewportSize();
      QVERIFY(w.VISOR->width() <= v.width());
      QVERIFY(w.VISOR->height() <= v.height());
      QVERIFY(w.Zoom() >= 20);
    }
    QCOMPARE(w.ZoomVisor->value(), int(w.Zoom()));
    fechaJob(tx);
  }

  void zoomLimitsOfButtonsKeysAndClicks() {
    TTxPrint tx;
    abreJob(tx, 1);
    TTxPrevi w(tx);
    mostra(w, QSize(800, 600));

    // Left click adds 40 up to the maximum, right click takes 40 down to the minimum.
    w.DefineZoom(370);
    QTest::mouseClick(w.VISOR, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(w.Zoom(), 400.0);
    QTest::mouseClick(w.VISOR, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(w.Zoom(), 400.0);
    w.DefineZoom(55);
    QTest::mouseClick(w.VISOR, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(w.Zoom(), 20.0);
    QTest::mouseClick(w.VISOR, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(w.Zoom(), 20.0);

    // Keypad + and - move by 5 within the spin field's limits; the ordinary keys do nothing.
    QTest::keyClick(&w, Qt::Key_Plus, Qt::KeypadModifier);
    QCOMPARE(w.Zoom(), 25.0);
    QTest::keyClick(&w, Qt::Key_Minus, Qt::KeypadModifier);
    QTest::keyClick(&w, Qt::Key_Minus, Qt::KeypadModifier);
    QCOMPARE(w.Zoom(), 20.0);
    QTest::keyClick(&w, Qt::Key_Plus);
    QCOMPARE(w.Zoom(), 20.0);
    w.DefineZoom(398);
    QTest::keyClick(&w, Qt::Key_Plus, Qt::KeypadModifier);
    QCOMPARE(w.Zoom(), 400.0);

    // The spin field: only digits, 20 to 400; a typed value becomes the zoom.
    w.ZoomVisor->findChild<QLineEdit*>()->selectAll();
    QTest::keyClicks(w.ZoomVisor->findChild<QLineEdit*>(), "a7x5");
    QTest::keyClick(w.ZoomVisor->findChild<QLineEdit*>(), Qt::Key_Return);
    QCOMPARE(w.Zoom(), 75.0);
    QCOMPARE(w.VISOR->size(), QSize(qRound(670 * 0.75) + 10, qRound(1086 * 0.75) + 10));
    w.ZoomVisor->setValue(1000);
    QCOMPARE(w.Zoom(), 400.0);

    // 100 button and whole page.
    QTest::mouseClick(w.FULL, Qt::LeftButton);
    QVERIFY(w.VISOR->height() <= w.Scroller->maximumViewportSize().height());
    QTest::mouseClick(w.CEM, Qt::LeftButton);
    QCOMPARE(w.Zoom(), 100.0);
    QTest::mouseClick(w.LARGURA, Qt::LeftButton);
    QCOMPARE(w.Zoom(), double(int((w.Scroller->width() - 30) * 100.0 / 670)));
    fechaJob(tx);
  }

  void clickScrollsTowardsThePointClicked() {
    TTxPrint tx;
    abreJob(tx, 1);
    TTxPrevi w(tx);
    mostra(w, QSize(800, 600));
    w.CEMClick();
    QScrollBar* vb = w.Scroller->verticalScrollBar();
    QTest::mouseClick(w.VISOR, Qt::LeftButton, {}, QPoint(100, 900));
    QCOMPARE(w.Zoom(), 140.0);
    QVERIFY(vb->isVisible());
    const int h = qMin(w.Scroller->viewport()->height(), w.VISOR->height());
    QCOMPARE(vb->value(), 900 - h / 2);
    // A click above half the visible height scrolls to the top.
    QTest::mouseClick(w.VISOR, Qt::RightButton, {}, QPoint(100, 10));
    QCOMPARE(w.Zoom(), 100.0);
    QCOMPARE(vb->value(), 0);

    // Arrow keys scroll by 20, by 100 with Shift.
    QTest::keyClick(&w, Qt::Key_Down);
    QCOMPARE(vb->value(), 20);
    QTest::keyClick(&w, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(vb->value(), 120);
    QTest::keyClick(&w, Qt::Key_Up);
    QCOMPARE(vb->value(), 100);
    fechaJob(tx);
  }

  void navigationKeysAndCaption() {
    TTxPrint tx;
    abreJob(tx, 3);
    TTxPrevi w(tx);
    w.show();
    QCOMPARE(w.UltimaPagina(), 3);
    QCOMPARE(w.windowTitle(), QStringLiteral("Visualização da Impressão - Página 1/3"));
    const QByteArray p1 = QByteArray(w.Picture().data(), w.Picture().size());
    QTest::keyClick(&w, Qt::Key_PageDown);
    QCOMPARE(w.Pagina(), 2);
    QVERIFY(QByteArray(w.Picture().data(), w.Picture().size()) != p1);  // another page drawn
    QTest::keyClick(&w, Qt::Key_End);
    QCOMPARE(w.Pagina(), 3);
    QTest::keyClick(&w, Qt::Key_PageDown);  // on the last page: nothing
    QCOMPARE(w.Pagina(), 3);
    QCOMPARE(w.windowTitle(), QStringLiteral("Visualização da Impressão - Página 3/3"));
    QTest::keyClick(&w, Qt::Key_PageUp);
    QCOMPARE(w.Pagina(), 2);
    QTest::keyClick(&w, Qt::Key_Home);
    QCOMPARE(w.Pagina(), 1);
    QTest::keyClick(&w, Qt::Key_PageUp);
    QCOMPARE(w.Pagina(), 1);
    // The keys reach the window also while the zoom field has the focus.
    w.ZoomVisor->setFocus();
    QTest::keyClick(w.ZoomVisor->findChild<QLineEdit*>(), Qt::Key_PageDown);
    QCOMPARE(w.Pagina(), 2);
    QTest::mouseClick(w.ULTIMA, Qt::LeftButton);
    QCOMPARE(w.Pagina(), 3);
    QTest::mouseClick(w.PRIMEIRA, Qt::LeftButton);
    QCOMPARE(w.Pagina(), 1);
    fechaJob(tx);
  }

  void quickAccessToAPage() {
    TTxPrint tx;
    abreJob(tx, 3);
    TTxPrevi w(tx);
    w.show();
    QStringList respostas;
    bool cancela = false;
    int perguntas = 0;
    w.pedePagina = [&](QString& t) {
      ++perguntas;
      if (cancela) return false;
      t = respostas.takeFirst();
      return true;
    };
    respostas << "2";
    QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(perguntas, 1);
    QCOMPARE(w.Pagina(), 2);
    // Anything but a page of the printout gets the same answer and changes nothing.
    const QStringList invalidas = {"0", "4", "99", "-1", "dois", ""};
    for (const QString& r : invalidas) {
      respostas << r;
      w.DIRETOClick();
      QCOMPARE(w.Pagina(), 2);
      QCOMPARE(dlg_.lastText(), QStringLiteral("Página inválida...\rInforme um número de página de 1 a 3."));
    }
    QCOMPARE(dlg_.count(HeadlessDialogs::Entry::Message), invalidas.size());
    respostas << " 3 ";
    w.DIRETOClick();
    QCOMPARE(w.Pagina(), 3);
    // Cancelling the question is no error.
    cancela = true;
    dlg_.log.clear();
    w.DIRETOClick();
    QVERIFY(dlg_.log.isEmpty());
    fechaJob(tx);
  }

  void opensOnPageOneAndCountsAnEmptyJobAsOnePage() {
    TTxPrint tx;
    tx.NumeroPaginaInicial = 5;
    QVERIFY(tx.Abrir());
    tx.ImpF(2, 2, "QUINTA");
    {
      TTxPrevi w(tx);
      w.show();
      QCOMPARE(w.Pagina(), 1);
      QCOMPARE(w.UltimaPagina(), 5);
    }
    fechaJob(tx);
    QVERIFY(tx.Abrir());
    {
      TTxPrevi w(tx);
      w.show();
      QCOMPARE(w.UltimaPagina(), 1);
      QCOMPARE(w.windowTitle(), QStringLiteral("Visualização da Impressão - Página 1/1"));
      QTest::keyClick(&w, Qt::Key_End);
      QCOMPARE(w.Pagina(), 1);
    }
    fechaJob(tx);
  }

  void buttonStatesDecideWhatKeysDo() {
    TTxPrint tx;
    tx.OpcoesPreview.BotaoImprimir = TStatBut::Inativo;
    tx.OpcoesPreview.BotaoGravar = TStatBut::Invisivel;
    tx.OpcoesPreview.BotaoSetup = TStatBut::Inativo;
    int impressoes = 0;
    tx.OnBeforePrint = [&](TTxPrint&, bool& continuar) {
      ++impressoes;
      continuar = false;
    };
    abreJob(tx, 1);
    {
      TTxPrevi w(tx);
      dlg_.clear();
      w.show();
      QVERIFY(!w.IMPRIMIR->isEnabled());
      QVERIFY(w.IMPRIMIR->isVisible());
      QVERIFY(w.SALVAR->isHidden());
      QVERIFY(w.ABRIR->isEnabled() && w.ABRIR->isVisible());
      QTest::keyClick(&w, Qt::Key_P, Qt::ControlModifier);
      QTest::keyClick(&w, Qt::Key_G, Qt::ControlModifier);
      QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);  // a setup would need a window here
      QCOMPARE(impressoes, 0);
      QCOMPARE(dlg_.count(HeadlessDialogs::Entry::SaveFile), 0);
      QTest::keyClick(&w, Qt::Key_L, Qt::ControlModifier);
      QCOMPARE(dlg_.count(HeadlessDialogs::Entry::OpenFile), 1);
    }
    tx.OpcoesPreview.BotaoImprimir = TStatBut::Ativo;
    {
      TTxPrevi w(tx);
      w.show();
      QTest::keyClick(&w, Qt::Key_P, Qt::ControlModifier);
      QCOMPARE(impressoes, 1);
      QTest::mouseClick(w.IMPRIMIR, Qt::LeftButton);
      QCOMPARE(impressoes, 2);
      QVERIFY(w.isVisible());  // printing leaves the window open
      QTest::keyClick(&w, Qt::Key_Escape);
      QVERIFY(!w.isVisible());
    }
    fechaJob(tx);
  }

  void savesInTheFormatOfTheChosenFilter() {
    TempDir d;
    TTxPrint tx;
    tx.TitulodoRelatorio = "PROPOSTA";
    tx.UsaGerenciadorImpr = false;
    tx.PastaArquivos = d.path();
    abreJob(tx, 2);
    TTxPrevi w(tx);
    w.show();
    const QStringList filtros = TTxPrevi::FiltroSalvar().split(";;");
    QCOMPARE(filtros.size(), 3);

    dlg_.clear();
    dlg_.fileAnswers = {d.file("REL.TXT")};
    dlg_.filterAnswers = {filtros[0]};
    QTest::keyClick(&w, Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(dlg_.log.last().kind, HeadlessDialogs::Entry::SaveFile);
    QCOMPARE(dlg_.lastText(), joinPath(d.path(), "PROPOSTA"));  // the name offered is the job title
    QVERIFY(d.exists("REL.RTX"));
    QVERIFY(!d.exists("REL.TXT"));
    const QByteArray rtx = d.read("REL.RTX");
    QVERIFY(rtx.startsWith("ARQUIVO DE RELATORIO"));
    QVERIFY(rtx.contains("\r\nPROPOSTA\r\n000066\r\n000080\r\n"));

    dlg_.fileAnswers = {d.file("REL.RTX")};
    dlg_.filterAnswers = {filtros[2]};
    w.SALVARClick();
    const QByteArray txt = d.read("REL.TXT");
    QVERIFY(txt.contains("ITEM 100"));
    QVERIFY(!txt.contains('\x1b'));

    // A name without extension takes the filter's; a dot in a folder name is not an extension.
    QDir(d.path()).mkdir("v1.2");
    dlg_.fileAnswers = {d.file("v1.2/SAIDA")};
    dlg_.filterAnswers = {filtros[1]};
    w.SALVARClick();
    QVERIFY(d.exists("v1.2/SAIDA.PRN"));
    QVERIFY(d.read("v1.2/SAIDA.PRN").startsWith("\x1b\x32\x1b\x43\x42"));  // 6 lpi, 66 lines

    // Cancelling the dialog saves nothing.
    const int antes = QDir(d.path()).entryList(QDir::Files).size();
    w.SALVARClick();
    QCOMPARE(QDir(d.path()).entryList(QDir::Files).size(), antes);
    fechaJob(tx);
  }

  void opensASavedJob() {
    TempDir d;
    TTxPrint tx;
    tx.TamanhoQteColunas = 100;
    tx.TitulodoRelatorio = "GRAVADO";
    abreJob(tx, 4);
    QVERIFY(tx.GravarRelatorio(d.file("J.RTX")));
    fechaJob(tx);

    TTxPrint tx2;
    abreJob(tx2, 1);
    TTxPrevi w(tx2);
    w.show();
    QCOMPARE(w.Figura(), QSize(670, 1086));
    QTest::keyClick(&w, Qt::Key_End);
    dlg_.fileAnswers = {d.file("J.RTX")};
    QTest::mouseClick(w.ABRIR, Qt::LeftButton);
    QCOMPARE(w.UltimaPagina(), 4);
    QCOMPARE(w.Pagina(), 1);
    QCOMPARE(w.Figura(), QSize(830, 1086));  // the loaded job's 100 columns
    QCOMPARE(w.VISOR->size(), QSize(840, 1096));
    QCOMPARE(w.windowTitle(), QStringLiteral("Visualização da Impressão - Página 1/4"));
    fechaJob(tx2);
  }
};

// ---------------------------------------------------------------------------------------------
class TxSetupTest : public TxWindowTest {
  Q_OBJECT

 private slots:

  void fillsFromTheJobAndListsTheModels() {
    TTxPrint tx;
    tx.ImpressoraPersonalizada.NomeImpressora = "Minha Especial";
    TxSetupValues v;
    v.modelo = TModelo::HP;
    v.copias = 3;
    v.preview = true;
    TTxSetup w(tx, v, impressoras({"Fila1", "Fila2", "Fila3"}, 1));
    QCOMPARE(w.windowTitle(), QStringLiteral("Configurar Impressão"));
    QCOMPARE(w.size(), QSize(393, 251));
    QCOMPARE(w.IMPRESSORAS->currentText(), QStringLiteral("Fila2"));  // the default destination
    QCOMPARE(w.MODELOS->count(), 5);
    QCOMPARE(w.MODELOS->itemText(3), QStringLiteral("Gráfico - Compatível com Windows"));
    QCOMPARE(w.MODELOS->itemText(4), QStringLiteral("Minha Especial"));
    QCOMPARE(w.MODELOS->currentIndex(), 2);
    QVERIFY(w.Tudo->isChecked());
    QVERIFY(!w.PAGINI->isEnabled() && !w.PAGFIM->isEnabled());
    QCOMPARE(w.COPIAS->text(), QStringLiteral("3"));
    QVERIFY(w.PREVIEW->isChecked());
    QVERIFY(!w.CANCELAR->isHidden());

    // The printer chosen before is selected again.
    v.impressoraSistema = "Fila3";
    TTxSetup w2(tx, v, impressoras({"Fila1", "Fila2", "Fila3"}, 1));
    QCOMPARE(w2.IMPRESSORAS->currentText(), QStringLiteral("Fila3"));
  }

  void guessesTheModelFromThePrinterName() {
    TTxPrint tx;
    TxSetupValues v;
    v.modelo = TModelo::Rima;
    const QStringList nomes{"Escritorio",   "Generic-Text-Only", "HP2100_LaserJet",     "EPSON_LX300_HP",
                            "deskjet-sala", "Gráfico A4",        "impressora_especial", "emilia"};
    TTxSetup w(tx, v, impressoras(nomes, 0));
    w.show();
    QCOMPARE(w.MODELOS->currentIndex(), int(TModelo::Rima));  // no rule matches: unchanged
    auto escolhe = [&](int i) {
      w.IMPRESSORAS->setCurrentIndex(i);
      emit w.IMPRESSORAS->activated(i);
      return TModelo(w.MODELOS->currentIndex());
    };
    QCOMPARE(escolhe(1), TModelo::Epson);
    QCOMPARE(escolhe(2), TModelo::HP);
    QCOMPARE(escolhe(3), TModelo::Epson);  // the first rule wins
    QCOMPARE(escolhe(4), TModelo::HP);
    QCOMPARE(escolhe(5), TModelo::Grafico);
    QCOMPARE(escolhe(6), TModelo::Personalizado);
    QCOMPARE(escolhe(7), TModelo::Rima);
    QCOMPARE(escolhe(0), TModelo::Rima);
    QCOMPARE(w.Valores().impressoraSistema, QStringLiteral("Escritorio"));

    // On show the rule runs once for the printer selected.
    v.modelo = TModelo::Rima;
    v.impressoraSistema = "HP2100_LaserJet";
    TTxSetup w2(tx, v, impressoras(nomes, 0));
    QCOMPARE(w2.MODELOS->currentIndex(), int(TModelo::Rima));
    w2.show();
    QCOMPARE(w2.MODELOS->currentIndex(), int(TModelo::HP));
  }

  void pageRange() {
    TTxPrint tx;
    TxSetupValues v;
    v.paginaInicial = 2;
    v.paginaFinal = 5;
    TTxSetup w(tx, v, {});
    w.show();
    QVERIFY(w.Paginas->isChecked());
    QVERIFY(w.PAGINI->isEnabled() && w.PAGFIM->isEnabled());
    QCOMPARE(w.PAGINI->text(), QStringLiteral("2"));
    QCOMPARE(w.PAGFIM->text(), QStringLiteral("5"));
    QCOMPARE(w.Valores().paginaInicial, 2);
    QCOMPARE(w.Valores().paginaFinal, 5);

    QTest::mouseClick(w.Tudo, Qt::LeftButton);
    QCOMPARE(w.PAGINI->text(), QStringLiteral("1"));
    QCOMPARE(w.PAGFIM->text(), QStringLiteral("9999"));
    QVERIFY(!w.PAGINI->isEnabled());
    QTest::mouseClick(w.Paginas, Qt::LeftButton);
    QVERIFY(w.PAGINI->isEnabled() && w.PAGFIM->isEnabled());
    QCOMPARE(w.PAGINI->text(), QStringLiteral("1"));
    QCOMPARE(w.PAGFIM->text(), QStringLiteral("9999"));

    // Leaving the first page with a value below 1 puts 1 back.
    w.PAGINI->setText("0");
    QFocusEvent fora(QEvent::FocusOut);
    QApplication::sendEvent(w.PAGINI, &fora);
    QCOMPARE(w.PAGINI->text(), QStringLiteral("1"));

    // Only digits, backspace and paste; at most 4 characters.
    w.PAGFIM->clear();
    QTest::keyClicks(w.PAGFIM, "3a-b 12345");
    QCOMPARE(w.PAGFIM->text(), QStringLiteral("3123"));
    QTest::keyClick(w.PAGFIM, Qt::Key_Backspace);
    QCOMPARE(w.PAGFIM->text(), QStringLiteral("312"));
    const TxSetupValues r = w.Valores();
    QCOMPARE(r.paginaInicial, 1);
    QCOMPARE(r.paginaFinal, 312);
  }

  void emptyFieldsKeepThePreviousValues() {
    TTxPrint tx;
    TxSetupValues v;
    v.paginaInicial = 2;
    v.paginaFinal = 5;
    v.copias = 3;
    TTxSetup w(tx, v, {});
    w.show();
    w.PAGINI->clear();
    w.PAGFIM->clear();
    w.COPIAS->clear();
    QFocusEvent fora(QEvent::FocusOut);
    QApplication::sendEvent(w.PAGINI, &fora);
    QCOMPARE(w.PAGINI->text(), QString());
    TxSetupValues r = w.Valores();
    QCOMPARE(r.paginaInicial, 2);
    QCOMPARE(r.paginaFinal, 5);
    QCOMPARE(r.copias, 3);
    // Pasted text that is no number is kept out the same way.
    w.COPIAS->setText("x9");
    QCOMPARE(w.Valores().copias, 3);
    w.COPIAS->setText("0");
    QCOMPARE(w.Valores().copias, 0);  // zero copies is a choice, not an error
  }

  void copiesUpDownStopsWithinOneToFifty() {
    TTxPrint tx;
    TxSetupValues v;
    TTxSetup w(tx, v, {});
    w.show();
    QTest::keyClicks(w.COPIAS, "z");
    QCOMPARE(w.COPIAS->text(), QStringLiteral("1"));
    w.COPIAS->setText("49");
    QTest::mouseClick(w.UpDown1->acima, Qt::LeftButton);
    QTest::mouseClick(w.UpDown1->acima, Qt::LeftButton);
    QCOMPARE(w.COPIAS->text(), QStringLiteral("50"));
    w.COPIAS->setText("1");
    QTest::mouseClick(w.UpDown1->abaixo, Qt::LeftButton);
    QCOMPARE(w.COPIAS->text(), QStringLiteral("1"));
    // Typing is not limited to 50, the arrows bring the value back into their range.
    w.COPIAS->clear();
    QTest::keyClicks(w.COPIAS, "120");
    QCOMPARE(w.Valores().copias, 120);
    QTest::mouseClick(w.UpDown1->abaixo, Qt::LeftButton);
    QCOMPARE(w.COPIAS->text(), QStringLiteral("49"));
  }

  void withoutPrintersItStillOpensAndConfirms() {
    TTxPrint tx;
    TxSetupValues v;
    v.preview = true;
    TTxSetup w(tx, v, {});
    w.show();
    QVERIFY(w.semImpressoras());
    QCOMPARE(w.IMPRESSORAS->count(), 1);
    QCOMPARE(w.IMPRESSORAS->currentText(), TTxSetup::semImpressoraTexto());
    QTest::mouseClick(w.OK, Qt::LeftButton);
    QCOMPARE(w.result(), int(QDialog::Accepted));
    const TxSetupValues r = w.Valores();
    QVERIFY(r.impressoraSistema.isEmpty());
    QVERIFY(r.preview);
  }

  void escCancelsOnlyWithTheCancelButton() {
    TTxPrint tx;
    TxSetupValues v;
    TTxSetup w(tx, v, {});
    w.show();
    QTest::keyClick(&w, Qt::Key_Escape);
    QCOMPARE(w.result(), int(QDialog::Rejected));
    QVERIFY(!w.isVisible());
  }

  // Through the engine: the setup window from the preview has no cancel button; a cancelled
  // setup before it abandons the job.
  void throughTheEngine() {
    TTxPrint tx;
    WidgetTxPrintUi ui;
    tx.setUi(&ui);
    tx.OpcoesPreview.Preview = true;

    // Cancelled before the job: Setup is false and further placements are refused.
    ui.aoMostrarSetup = [](TTxSetup& s) {
      QVERIFY(!s.CANCELAR->isHidden());
      QTimer::singleShot(0, &s, [&s] { QTest::keyClick(&s, Qt::Key_Escape); });
    };
    QVERIFY(tx.Abrir());
    QVERIFY(!tx.Setup());
    QVERIFY_THROWS_EXCEPTION(AppError, tx.ImpF(1, 1, "X"));  // Erro #06, to the caller
    QVERIFY(!tx.JobAberto());

    // Confirmed; then from the preview, where Esc does not close it.
    int setups = 0;
    bool semCancelar = false;
    ui.aoMostrarSetup = [&](TTxSetup& s) {
      ++setups;
      const bool doPreview = tx.PreviewAtivo();
      if (doPreview) semCancelar = s.CANCELAR->isHidden();
      QTimer::singleShot(0, &s, [&s, doPreview] {
        if (doPreview) {
          QTest::keyClick(&s, Qt::Key_Escape);
          QVERIFY(s.isVisible());
          s.MODELOS->setCurrentIndex(int(TModelo::Rima));
        }
        QTest::mouseClick(s.OK, Qt::LeftButton);
      });
    };
    bool previewVisto = false;
    ui.aoMostrarPreview = [&](TTxPrevi& p) {
      QTimer::singleShot(0, &p, [&] {
        previewVisto = true;
        QTest::keyClick(&p, Qt::Key_S, Qt::ControlModifier);
        p.reject();
      });
    };
    QVERIFY(tx.Abrir());
    QVERIFY(tx.Setup());
    tx.ImpF(1, 1, "X");
    QVERIFY(tx.Fechar());
    QVERIFY(previewVisto);
    QCOMPARE(setups, 2);
    QVERIFY(semCancelar);
    QCOMPARE(tx.Impressora, TModelo::Rima);
  }

  void aTypedPathSendsTheOutputThere() {
    TempDir d;
    const QString porta = d.file("porta.prn");
    TTxPrint tx;
    tx.UsaGerenciadorImpr = true;
    tx.TestarPorta = false;
    WidgetTxPrintUi ui;
    tx.setUi(&ui);
    ui.aoMostrarSetup = [&](TTxSetup& s) {
      QTimer::singleShot(0, &s, [&s, porta] {
        s.IMPRESSORAS->setEditText(porta);
        s.PREVIEW->setChecked(false);
        QTest::mouseClick(s.OK, Qt::LeftButton);
      });
    };
    QVERIFY(tx.Abrir());
    QVERIFY(tx.Setup());
    QVERIFY(!tx.UsaGerenciadorImpr);
    QCOMPARE(tx.PortaComunicacao, porta);
    tx.ImpF(3, 5, "TEXTO");
    QVERIFY(tx.Fechar());
    const QByteArray b = cotavia::test::readFile(porta);
    QVERIFY(b.startsWith("\x1b\x32"));
    QVERIFY(b.contains("\r\n\r\n    TEXTO"));
    QVERIFY(b.endsWith("\x1b\x40"));
  }
};

// ---------------------------------------------------------------------------------------------
class TxProgrTest : public TxWindowTest {
  Q_OBJECT

 private slots:

  void windowGaugeAndAnimation() {
    TTxPrint tx;
    TTxProgr w(tx, "Gravando", "/tmp/REL.RTX", 4);
    QCOMPARE(w.windowTitle(), QStringLiteral("Gravando"));
    QCOMPARE(w.size(), QSize(280, 97));
    QCOMPARE(w.NOMEREL->text(), QStringLiteral("/tmp/REL.RTX"));
    QCOMPARE(w.Progresso->size(), QSize(250, 21));
    QCOMPARE(w.faixa(), 2);
    QCOMPARE(TTxProgr(tx, "Lendo", "", 1).faixa(), 0);
    QCOMPARE(TTxProgr(tx, "Imprimindo", "", 1).faixa(), 1);
    QCOMPARE(w.Timer1->interval(), 500);
    w.show();
    QCOMPARE(w.quadro(), 0);
    QVERIFY(w.Timer1->isActive());
    for (int i = 1; i <= 7; ++i) {
      emit w.Timer1->timeout({});
      QCOMPARE(w.quadro(), i % 6);
    }
    w.avanca();
    w.avanca();
    QCOMPARE(w.Progresso->maximum(), 4);
    QCOMPARE(w.Progresso->value(), 2);
    for (int i = 0; i < 5; ++i) w.avanca();
    QCOMPARE(w.Progresso->value(), 4);  // never beyond the maximum

    // Each strip holds six different frames on a fuchsia background.
    for (int s = 0; s < 3; ++s) {
      const QImage img = TTxProgr::Faixa(s).toImage();
      QCOMPARE(img.size(), QSize(210, 34));
      QCOMPARE(QColor(img.pixel(0, 0)), QColor(255, 0, 255));
      QVERIFY(img.copy(0, 0, 35, 34) != img.copy(35, 0, 35, 34));
    }
  }

  void cancelAnsweredNoAndYes() {
    TTxPrint tx;
    TTxProgr w(tx, "Imprimindo", "PROPOSTA", 10);
    w.show();
    tx.Cancelar(false);
    dlg_.answers = {false};
    QTest::mouseClick(w.SpeedButton1, Qt::LeftButton);
    QCOMPARE(dlg_.count(HeadlessDialogs::Entry::Confirm), 1);
    QCOMPARE(dlg_.lastText(), QStringLiteral("Deseja realmente Cancelar ?"));
    QVERIFY(!tx.Cancelado());
    dlg_.answers = {true};
    QTest::keyClick(&w, Qt::Key_Escape);  // Esc asks the same
    QCOMPARE(dlg_.count(HeadlessDialogs::Entry::Confirm), 2);
    QVERIFY(tx.Cancelado());
    tx.Cancelar(false);
  }

  // A save run through the widget windows: No lets it finish, Yes stops it; meanwhile the
  // program's other windows are disabled.
  void cancelDuringARun() {
    TempDir d;
    TTxPrint tx;
    WidgetTxPrintUi ui;
    tx.setUi(&ui);
    QWidget editor;
    editor.show();
    abreJob(tx, 40, 50);
    const qsizetype itens = tx.Itens().size();
    bool editorAtivo = true;
    QString legenda;
    ui.aoMostrarProgresso = [&](TTxProgr& p) {
      legenda = p.windowTitle();
      QTimer::singleShot(0, &p, [&p, &editor, &editorAtivo] {
        editorAtivo = editor.isEnabled();
        QTest::mouseClick(p.SpeedButton1, Qt::LeftButton);
      });
    };
    int cancelados = 0;
    tx.OnCancel = [&](TTxPrint&) { ++cancelados; };

    dlg_.answers = {false};
    QVERIFY(tx.GravarRelatorio(d.file("A.RTX")));
    QCOMPARE(legenda, QStringLiteral("Gravando"));
    QVERIFY(!editorAtivo);
    QVERIFY(editor.isEnabled());
    QCOMPARE(dlg_.count(HeadlessDialogs::Entry::Confirm), 1);
    QCOMPARE(cancelados, 0);
    QCOMPARE(d.read("A.RTX").count('\n'), 9 + itens);
    QVERIFY(ui.progresso() == nullptr);

    dlg_.answers = {true};
    tx.GravarRelatorio(d.file("B.RTX"));
    QCOMPARE(cancelados, 1);
    QVERIFY(d.read("B.RTX").count('\n') < 9 + itens);
    QVERIFY(editor.isEnabled());
    QVERIFY(ui.progresso() == nullptr);
    tx.OnCancel = nullptr;
    fechaJob(tx);
  }
};

int main(int argc, char** argv) {
  // Never the machine's own print server.
  qputenv("CUPS_SERVER", "/nonexistent/cotavia-test/cups.sock");
  QApplication app(argc, argv);
  int r = 0;
  {
    TxPreviTest t;
    r |= QTest::qExec(&t, argc, argv);
  }
  {
    TxSetupTest t;
    r |= QTest::qExec(&t, argc, argv);
  }
  {
    TxProgrTest t;
    r |= QTest::qExec(&t, argc, argv);
  }
  return r;
}

#include "txwindows_test.moc"
