// The proposal editor: loading, Enter navigation, the item panel, totals, saving, exporting and
// the price list import, driven with real key events.
#include "app/screens/editor.h"
#include "app/core/item_entry.h"
#include "app/core/price_memory.h"
#include "app/core/save.h"
#include "app/screens/item_grid.h"
#include "app/screens/price_review.h"
#include "controls/numedit.h"
#include "gui_fixtures.h"
#include "platform/files.h"
#include "report/output/rp_printer.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTimer>

using namespace cotavia;
using namespace cotavia::test;
using Kind = HeadlessDialogs::Entry::Kind;

namespace {
const QByteArray kIdentity = "12345678000190";
const QString kResponse = QStringLiteral("E12345678000190_P0001.KVT");
}  // namespace

class EditorTest : public QObject, ScreenTest {
  Q_OBJECT

 private:
  std::unique_ptr<TTCotavia2> ed;

  void open(const QString& file = QStringLiteral("P0001.KVT")) {
    ed = std::make_unique<TTCotavia2>(ProposalRef{dir->path(), file, kIdentity});
    showActive(ed.get());
  }
  void reopen() {
    ed.reset();
    open();
  }
  // Runs `run`, closing every window that comes up over the editor meanwhile (previews, setup).
  int windowsClosed = 0;
  void closingWindows(const std::function<void()>& run) {
    windowsClosed = 0;
    QTimer t;
    QObject::connect(&t, &QTimer::timeout, [&] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w != ed.get() && w->isVisible() && w->isWindow() && !w->inherits("QMenu")) {
          ++windowsClosed;
          w->close();
        }
    });
    t.start(20);
    run();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the closed windows go
    ed->activateWindow();                                                 // as the user clicking the editor again
    QVERIFY(QTest::qWaitForWindowActive(ed.get()));
  }
  QString cell(int row, int col) const { return ed->model->index(row, col).data().toString(); }
  // Enter on grid row `row` (0 = first item) opens the item panel.
  void openItem(int row) {
    ed->StringGrid1->setFocus();
    ed->StringGrid1->selectRow0(row);
    press(Qt::Key_Return);
    QVERIFY(ed->Panel_Item->isVisible());
    QVERIFY(ed->Edit_Marca->hasFocus());
  }
  // The usual path: brand, Enter, price, Enter, discount, Enter, surcharge, Enter, then Enter on OK.
  void priceItem(int row, const char* brand, const char* price, const char* discount, const char* surcharge) {
    openItem(row);
    ed->Edit_Marca->selectAll();
    typeText(brand);
    press(Qt::Key_Return);
    QVERIFY(ed->NumEdit_PrUnit->hasFocus());
    typeText(price);
    press(Qt::Key_Return);
    QVERIFY(ed->NumEdit_Desconto->hasFocus());
    typeText(discount);
    press(Qt::Key_Return);
    QVERIFY(ed->NumEdit_Acrescimo->hasFocus());
    typeText(surcharge);
    press(Qt::Key_Return);
    QVERIFY(ed->bbtn_ok->hasFocus());
    press(Qt::Key_Return);
  }

 private slots:
  void init() {
    freshFolder({"P0001.KVT"});
    TTCotavia2::removableMedia = [] { return QStringList(); };
    QSettings(QStringLiteral("Cotavia"), QStringLiteral("cotavia")).remove(QStringLiteral("editor"));
  }
  void cleanup() {
    ed.reset();
    dir.reset();
  }

  // A real file fills the header fields and the grid; the grand total and print choice are set.
  void loadsTheFileIntoTheGrid() {
    open();
    QCOMPARE(ed->Edit_Orgao->text(), QString("PREFEITURA MUNICIPAL DE SÃO TESTE"));
    QCOMPARE(ed->Edit_Modalidade->text(), QString("Modalidade: Pregão Presencial nº 012/2026"));
    QCOMPARE(ed->EditAbertura->text(), QString("Abertura: 10/03/2026 às 09:30"));
    QCOMPARE(ed->model->rows().size(), 3);
    QCOMPARE(ed->model->rowCount(), 8999);
    QCOMPARE(cell(0, 0), QString("0001"));
    QCOMPARE(cell(0, 3), QString("       10,0000"));
    QCOMPARE(cell(0, 5), QString(10, ' '));
    QCOMPARE(cell(2, 5), QString("    2,0000"));
    QCOMPARE(cell(2, 8), QString("         10,00"));
    QCOMPARE(cell(2, 9), QString("MARCA X"));
    QVERIFY(cell(3, 0).isEmpty());
    QCOMPARE(double(ed->NumEdit_TotalGeral->Value()), 10.0);
    QCOMPARE(ed->NumEdit_TotalGeral->paintedText(), QString("10,00"));
    QCOMPARE(ed->ComboBox_TipoImpr->currentText(), QString("1 - Gráfico"));
    QCOMPARE(ed->printChoice(), 1);
    QCOMPARE(ed->model->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QString("   Quantidade"));
    QCOMPARE(ed->StringGrid1->columnWidth(2), 150);
    QVERIFY(ed->StringGrid1->font().fixedPitch());
    QVERIFY(!ed->Panel_Exporta->isVisible());
    QVERIFY(dlg.log.isEmpty());
  }

  // First use: the focus starts in the supplier name; Enter walks to the grid and opens the panel.
  void enterWalksFromSupplierToTheGrid() {
    open();
    QTRY_VERIFY(ed->Edit_Fornecedor->hasFocus());
    typeText("Papelaria Boa Vista Ltda");
    press(Qt::Key_Return);
    QVERIFY(ed->Edit_For_Endereco->hasFocus());
    press(Qt::Key_Return);
    QVERIFY(ed->Edit_For_Cidade->hasFocus());
    press(Qt::Key_Return);
    QVERIFY(ed->StringGrid1->hasFocus());
    QTest::keyClick(ed->StringGrid1, Qt::Key_Down);
    press(Qt::Key_Return);
    QVERIFY(ed->Panel_Item->isVisible());
    QVERIFY(ed->Edit_Marca->hasFocus());
    QCOMPARE(ed->Edit_Item->text(), QString("0002"));
    QCOMPARE(ed->Edit_Nome->text().trimmed(), QString("PAPEL A4 BRANCO RESMA 500 FOLHAS"));
    QCOMPARE(double(ed->NumEdit_Quant->Value()), 3.0);
    QCOMPARE(ed->NumEdit_Quant->paintedText(), QString("3,0000"));
    QCOMPARE(ed->Edit_Unidade->text(), QString("RS  "));
    // Enter on a focused button presses it.
    ed->bbtn_cancelar->setFocus();
    press(Qt::Key_Return);
    QVERIFY(!ed->Panel_Item->isVisible());
    QVERIFY(ed->StringGrid1->hasFocus());
    // Typing on the grid changes nothing.
    typeText("9x");
    QCOMPARE(cell(1, 9), QString());
    QCOMPARE(ed->StringGrid1->selectedRow(), 1);
  }

  // Brand, price, discount and surcharge typed with Enter; OK writes the row and the total.
  void typedPathPricesTheRow() {
    open();
    priceItem(0, "ACME", "2,5", "1", "0,5");
    QVERIFY(!ed->Panel_Item->isVisible());
    QVERIFY(ed->StringGrid1->hasFocus());
    QCOMPARE(cell(0, 5), QString("    2,5000"));
    QCOMPARE(cell(0, 6), QString("      1,00"));
    QCOMPARE(cell(0, 7), QString("      0,50"));
    QCOMPARE(cell(0, 8), QString("         24,50"));
    QCOMPARE(cell(0, 9), QString("ACME"));
    QCOMPARE(cell(0, 3), QString("       10,0000"));
    QCOMPARE(double(ed->NumEdit_TotalGeral->Value()), 34.5);
    // 3 x 0,3333 = 0,9999 is kept as 1,00.
    priceItem(1, "", "0.3333", "", "");
    QCOMPARE(cell(1, 5), QString("    0,3333"));
    QCOMPARE(cell(1, 6), QString("      0,00"));
    QCOMPARE(cell(1, 8), QString("          1,00"));
    QCOMPARE(double(ed->NumEdit_TotalGeral->Value()), 35.5);
    // The item total follows each Enter in the panel.
    openItem(0);
    press(Qt::Key_Return);
    typeText("3");
    press(Qt::Key_Return);
    QCOMPARE(ed->NumEdit_Total->paintedText(), QString("29,50"));
    QVERIFY(dlg.log.isEmpty() || dlg.count(Kind::Message) == 0);
  }

  // Cancelar and Escape leave the row as it was.
  void cancelKeepsTheRow() {
    open();
    openItem(2);
    press(Qt::Key_Return);
    typeText("9");
    press(Qt::Key_Return);
    QTest::mouseClick(ed->bbtn_cancelar, Qt::LeftButton);
    QCOMPARE(cell(2, 5), QString("    2,0000"));
    QCOMPARE(cell(2, 8), QString("         10,00"));
    openItem(2);
    typeText("OUTRA");
    press(Qt::Key_Escape);
    QVERIFY(!ed->Panel_Item->isVisible());
    QVERIFY(ed->isVisible());
    QCOMPARE(cell(2, 9), QString("MARCA X"));
    QCOMPARE(double(ed->NumEdit_TotalGeral->Value()), 10.0);
  }

  // OK refuses what the proposal file cannot hold, naming the field and its limit, with the
  // focus on that field; the row stays unpriced. A negative total names the discount.
  void itemPanelRefusesAtOk() {
    open();
    struct Case {
      const char *price, *discount, *surcharge;
      const char* message;
      TNumEdit* TTCotavia2::*field;
    };
    const Case cases[] = {
        {"-1", "", "",
         "O preço unitário não pode ser negativo (-1,0000).\rInforme um valor de 0,0000 a 9.999.999,9999.",
         &TTCotavia2::NumEdit_PrUnit},
        {"1", "-2", "", "O desconto não pode ser negativo (-2,00).", &TTCotavia2::NumEdit_Desconto},
        {"1", "", "-3", "O acréscimo não pode ser negativo (-3,00).", &TTCotavia2::NumEdit_Acrescimo},
        {"10000000", "", "", "O preço unitário 10.000.000,0000 é maior que o arquivo da proposta pode guardar.",
         &TTCotavia2::NumEdit_PrUnit},
        {"1", "", "1000000000", "O acréscimo 1.000.000.000,00 é maior que o arquivo da proposta pode guardar.",
         &TTCotavia2::NumEdit_Acrescimo},
        {"1", "50", "",
         "O total do item seria negativo (-40,00): o desconto (50,00) é maior que a quantidade vezes o "
         "preço unitário mais o acréscimo (10,00).",
         &TTCotavia2::NumEdit_Desconto},
        {"9999999", "", "999999999", "O total do item 1.099.999.989,00 é maior que o arquivo da proposta pode guardar",
         &TTCotavia2::NumEdit_PrUnit},
    };
    for (const Case& c : cases) {
      dlg.clear();
      priceItem(0, "B", c.price, c.discount, c.surcharge);
      QCOMPARE(dlg.count(Kind::Message), 1);
      QVERIFY2(dlg.lastText().startsWith(QString::fromUtf8(c.message)), qPrintable(dlg.lastText()));
      QVERIFY(ed->Panel_Item->isVisible());
      QVERIFY((ed.get()->*c.field)->hasFocus());
      QCOMPARE(cell(0, 5), QString(10, ' '));
      press(Qt::Key_Escape);
    }
  }

  // A brand or a supplier's text the files cannot hold (an emoji) is refused naming the item or
  // the field, not saved as "?"; the brand field takes the 20 characters the file keeps.
  void charactersOutsideCp1252AreRefused() {
    open();
    const QString brand = cell(0, 9);
    openItem(0);
    ed->Edit_Marca->setText(QString::fromUtf8("Bic \xF0\x9F\x98\x80"));
    QTest::mouseClick(ed->bbtn_ok, Qt::LeftButton);
    QCOMPARE(dlg.count(Kind::Message), 1);
    QVERIFY(dlg.lastText().startsWith(QString::fromUtf8("A marca do item 0001 contém \xF0\x9F\x98\x80,")));
    QVERIFY(ed->Panel_Item->isVisible());
    QVERIFY(ed->Edit_Marca->hasFocus());
    QCOMPARE(cell(0, 9), brand);
    press(Qt::Key_Escape);
    priceItem(0, "MARCA COM VINTE E CINCO LETRAS", "1", "", "");
    QCOMPARE(cell(0, 9), QString("MARCA COM VINTE E CI"));

    // So is such a character in the supplier's city: "Gravar" saves nothing and goes to the field.
    dlg.clear();
    const QByteArray before = dir->read("P0001.KVT");
    ed->Edit_Fornecedor->setText("Papelaria Boa Vista Ltda");
    ed->Edit_For_Cidade->setText(QString::fromUtf8("S\xC3\xA3o Teste \xF0\x9F\x8C\xB4"));
    QTest::mouseClick(ed->bbtn_gravar, Qt::LeftButton);
    QCOMPARE(dlg.count(Kind::Error), 1);
    QVERIFY2(dlg.lastText().startsWith(QString::fromUtf8("A cidade do fornecedor contém \xF0\x9F\x8C\xB4,")),
             qPrintable(dlg.lastText()));
    QVERIFY(ed->Edit_For_Cidade->hasFocus());
    QCOMPARE(dir->read("P0001.KVT"), before);
    QVERIFY(!dir->exists("FORNEC.KSD"));
    QVERIFY(!ed->Panel_Exporta->isVisible());
  }

  // Enter below the last item does nothing; Home and End (with Ctrl or not) go to the first
  // and the last item.
  void gridKeys() {
    open();
    ed->StringGrid1->setFocus();
    ed->StringGrid1->selectRow0(5);
    press(Qt::Key_Return);
    QVERIFY(!ed->Panel_Item->isVisible());
    QVERIFY(dlg.log.isEmpty());
    ed->StringGrid1->selectRow0(1);
    press(Qt::Key_End);
    QCOMPARE(ed->StringGrid1->selectedRow(), 2);
    press(Qt::Key_Home);
    QCOMPARE(ed->StringGrid1->selectedRow(), 0);
    QTest::keyClick(ed->StringGrid1, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(ed->StringGrid1->selectedRow(), 2);
    QTest::keyClick(ed->StringGrid1, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(ed->StringGrid1->selectedRow(), 0);
    QCOMPARE(ed->StringGrid1->currentIndex().column(), 0);
    press(Qt::Key_Return);
    QVERIFY(ed->Panel_Item->isVisible());
  }

  // A row below the items is not opened (its OK would have nothing to write to).
  void rowWithoutItem() {
    open();
    ed->StringGrid1->setFocus();
    ed->StringGrid1->selectRow0(5);
    ed->StringGrid1Enter();
    QVERIFY(!ed->Panel_Item->isVisible());
    QCOMPARE(ed->model->rows().size(), 3);
    QCOMPARE(double(ed->NumEdit_TotalGeral->Value()), 10.0);
  }

  // "Voltar" without "Gravar", answering Não, loses the prices; "Gravar" keeps them for the next
  // opening.
  void voltarLosesAndGravarKeeps() {
    const QByteArray original = dir->read("P0001.KVT");
    open();
    priceItem(0, "ACME", "2,5", "", "");
    dlg.choices = {Dialogs::Answer::No};
    QTest::mouseClick(ed->bbtn_voltar, Qt::LeftButton);
    QVERIFY(!ed->isVisible());
    QCOMPARE(dir->read("P0001.KVT"), original);
    QCOMPARE(dlg.log.size(), 1);
    QCOMPARE(dlg.log[0].kind, Kind::Ask);
    dlg.clear();
    reopen();
    QCOMPARE(cell(0, 5), QString(10, ' '));

    ed->Edit_Fornecedor->setText("Papelaria Boa Vista Ltda");
    ed->Edit_For_Endereco->setText("Av. Brasil, 1500");
    ed->Edit_For_Cidade->setText("São Teste - SP");
    priceItem(0, "ACME", "2,5", "1", "0,5");
    QTest::mouseClick(ed->bbtn_gravar, Qt::LeftButton);
    QVERIFY(dlg.log.isEmpty());
    QVERIFY(ed->Panel_Exporta->isVisible());
    QVERIFY(ed->StringGrid1->hasFocus());
    const QByteArray saved = dir->read(kResponse);
    QCOMPARE(dir->read("P0001.KVT"), saved);
    QCOMPARE(dir->read("FORNEC.KSD"),
             QByteArray("Papelaria Boa Vista Ltda\r\nAv. Brasil, 1500\r\nS\xE3o Teste - SP\r\n"));
    const QList<QByteArray> lines = saved.split('\n');
    QCOMPARE(lines[6].mid(128, 44), QByteArray("      25000        100         50       2450"));
    QVERIFY(lines[6].startsWith("I0001"));
    QCOMPARE(lines[6].mid(172).trimmed(), QByteArray("ACME"));
    // Saving twice leaves identical files.
    QTest::mouseClick(ed->bbtn_gravar, Qt::LeftButton);
    QCOMPARE(dir->read(kResponse), saved);

    reopen();
    QCOMPARE(cell(0, 5), QString("    2,5000"));
    QCOMPARE(cell(0, 8), QString("         24,50"));
    QCOMPARE(cell(0, 9), QString("ACME"));
    QCOMPARE(ed->Edit_For_Cidade->text(), QString("São Teste - SP"));
    QCOMPARE(double(ed->NumEdit_TotalGeral->Value()), 34.5);
    QTRY_VERIFY(ed->StringGrid1->hasFocus());
    QVERIFY(!ed->Panel_Exporta->isVisible());
  }

  // Another window or command saved the proposal after this window read it: "Gravar" asks
  // before replacing those prices. Cancelar writes nothing, Não shows what was saved, Sim
  // writes this window's prices.
  void aSaveByAnotherWindowIsNotOverwrittenUnasked() {
    open();
    const ProposalRef target{dir->path(), "P0001.KVT", kIdentity};
    auto otherSave = [&](const char* brand) {
      Proposal p = loadProposal(dir->file("P0001.KVT"));
      applyItemEntry(p.rows[1], brand, 3, 0, 0);
      saveProposal(target, p, {});
    };
    priceItem(0, "ACME", "2,5", "", "");
    otherSave("OUTRA");
    const QByteArray other = dir->read(kResponse);
    dlg.choices = {Dialogs::Answer::Cancel};
    QTest::mouseClick(ed->bbtn_gravar, Qt::LeftButton);
    QCOMPARE(dlg.count(Kind::Ask), 1);
    QVERIFY(dlg.lastText().contains("foi gravada por outra janela ou comando"));
    QCOMPARE(dir->read(kResponse), other);
    QVERIFY(ed->unsavedChanges());

    dlg.choices = {Dialogs::Answer::No};
    QTest::mouseClick(ed->bbtn_gravar, Qt::LeftButton);
    QCOMPARE(dir->read(kResponse), other);
    QCOMPARE(cell(1, 9), QString("OUTRA"));
    QCOMPARE(cell(0, 5), QString(10, ' '));
    QVERIFY(!ed->unsavedChanges());

    priceItem(0, "ACME", "2,5", "", "");
    otherSave("TERCEIRA");
    dlg.clear();
    dlg.choices = {Dialogs::Answer::Yes};
    QTest::mouseClick(ed->bbtn_gravar, Qt::LeftButton);
    QCOMPARE(dlg.count(Kind::Ask), 1);
    QCOMPARE(loadProposal(dir->file("P0001.KVT")).rows[0][ColBrand].trimmed(), QByteArray("ACME"));
    QCOMPARE(loadProposal(dir->file("P0001.KVT")).rows[1][ColBrand].trimmed(), QByteArray("OUTRA"));
    // Its own saves are not taken for another's.
    dlg.clear();
    priceItem(2, "MAIS", "1", "", "");
    QTest::mouseClick(ed->bbtn_gravar, Qt::LeftButton);
    QVERIFY(dlg.log.isEmpty());
  }

  // While another save holds the proposal's lock, "Gravar" waits with the window alive (its
  // events handled): here a timer of the window ends the other save, and this one goes on.
  void gravarWaitsWithTheWindowAlive() {
    open();
    priceItem(0, "ACME", "2,5", "", "");
    auto elsewhere = std::make_unique<SaveLock>(dir->path(), "P0001.KVT");
    QTimer release;
    release.setSingleShot(true);
    QObject::connect(&release, &QTimer::timeout, [&] { elsewhere.reset(); });
    release.start(300);
    QTest::mouseClick(ed->bbtn_gravar, Qt::LeftButton);
    QVERIFY2(dlg.log.isEmpty(), qPrintable(dlg.lastText()));
    QVERIFY(!elsewhere);
    QCOMPARE(loadProposal(dir->file("P0001.KVT")).rows[0][ColBrand].trimmed(), QByteArray("ACME"));
  }

  // A save that cannot be written is reported and leaves the files as they were.
  void failedSaveIsReported() {
    open();
    // A unit price too wide for its column: OK refuses it, so it is put into the grid directly.
    GridRow row = ed->model->row(0);
    row[ColUnitPrice] = "12.345.678,0000";
    ed->model->setRow(0, row);
    const QByteArray before = dir->read("P0001.KVT");
    QTest::mouseClick(ed->bbtn_gravar, Qt::LeftButton);
    QCOMPARE(dlg.count(Kind::Error), 1);
    QVERIFY(dlg.lastText().contains("0001"));
    QCOMPARE(dir->read("P0001.KVT"), before);
    QVERIFY(!dir->exists(kResponse));
    QVERIFY(!dir->exists("FORNEC.KSD"));
    // The export panel comes only with a save that succeeded.
    QVERIFY(!ed->Panel_Exporta->isVisible());
  }

  // Leaving with changes asks "Deseja gravar as alterações da proposta?": Cancelar stays, Sim
  // saves and closes (a save that fails stays open), Não drops them; without changes, or with
  // an item confirmed as it was, nothing is asked. "Voltar" and the close box alike.
  void leavingWithChangesAsks() {
    const QString question = QStringLiteral("Deseja gravar as alterações da proposta?");
    open();
    openItem(2);
    press(Qt::Key_Return);  // through the panel to OK with the values the item had
    press(Qt::Key_Return);
    press(Qt::Key_Return);
    press(Qt::Key_Return);
    press(Qt::Key_Return);
    QVERIFY(!ed->unsavedChanges());
    ed->Edit_For_Cidade->setText("X");
    ed->Edit_For_Cidade->setText("");  // typed back to what it was
    QTest::mouseClick(ed->bbtn_voltar, Qt::LeftButton);
    QVERIFY(!ed->isVisible());
    QVERIFY(dlg.log.isEmpty());

    reopen();
    priceItem(0, "ACME", "2,5", "", "");
    dlg.choices = {Dialogs::Answer::Cancel};
    QTest::mouseClick(ed->bbtn_voltar, Qt::LeftButton);
    QVERIFY(ed->isVisible());
    QCOMPARE(dlg.log.last().kind, Kind::Ask);
    QCOMPARE(dlg.log.last().text, question);
    QCOMPARE(cell(0, 5), QString("    2,5000"));
    // Sim with a save that fails (a folder where the response file goes): the reason is said,
    // the editor stays.
    QVERIFY(QDir(dir->path()).mkdir(kResponse));
    dlg.choices = {Dialogs::Answer::Yes};
    ed->close();
    QVERIFY(ed->isVisible());
    QCOMPARE(dlg.log.last().kind, Kind::Error);
    QVERIFY(QFileInfo(dir->file(kResponse)).isDir());
    // Sim with a save that works: saved, then closed.
    QVERIFY(QDir(dir->path()).rmdir(kResponse));
    priceItem(1, "", "1", "", "");
    dlg.choices = {Dialogs::Answer::Yes};
    ed->close();
    QVERIFY(!ed->isVisible());
    QVERIFY(dir->read(kResponse).contains("      25000"));
    QVERIFY(dlg.choices.isEmpty());

    // A supplier field edited, or a price list imported, is a change too; Não drops it.
    for (int k = 0; k < 2; ++k) {
      reopen();
      if (k == 0) {
        ed->Edit_Fornecedor->setText("Papelaria Boa Vista Ltda");
      } else {
        dir->write("precos.csv", "item;marca;preco_unitario;desconto;acrescimo\r\n0002;Chamex;3;;\r\n");
        dlg.fileAnswers = {dir->file("precos.csv")};
        QTest::mouseClick(ed->bbtn_importarPrecos, Qt::LeftButton);
      }
      const QByteArray saved = dir->read(kResponse);
      dlg.clear();
      dlg.choices = {Dialogs::Answer::No};
      QTest::mouseClick(ed->bbtn_voltar, Qt::LeftButton);
      QVERIFY(!ed->isVisible());
      QCOMPARE(dlg.count(Kind::Ask), 1);
      QCOMPARE(dir->read(kResponse), saved);
      QVERIFY(!dir->exists("FORNEC.KSD") || !dir->read("FORNEC.KSD").contains("Boa Vista"));
    }
  }

  // "Imprimir" with changes on screen asks first: Cancelar prints nothing; Não prints the saved
  // proposal and says it lacks the changes (a proposal never saved has nothing to print); Sim
  // saves, then prints.
  void printingWithChangesAsks() {
    open();
    priceItem(0, "ACME", "2,5", "", "");
    dlg.choices = {Dialogs::Answer::Cancel};
    closingWindows([&] { QTest::mouseClick(ed->bbtn_importar, Qt::LeftButton); });
    QCOMPARE(dlg.log.size(), 1);
    QCOMPARE(dlg.log[0].kind, Kind::Ask);
    QCOMPARE(windowsClosed, 0);

    dlg.choices = {Dialogs::Answer::No};
    closingWindows([&] { QTest::mouseClick(ed->bbtn_importar, Qt::LeftButton); });
    QCOMPARE(dlg.log.size(), 3);
    QVERIFY2(dlg.lastText().startsWith("A proposta P0001.KVT ainda não foi gravada"), qPrintable(dlg.lastText()));
    QCOMPARE(windowsClosed, 1);  // the graphic report of the input's items, without amounts

    dlg.clear();
    dlg.choices = {Dialogs::Answer::Yes};
    closingWindows([&] { QTest::mouseClick(ed->bbtn_importar, Qt::LeftButton); });
    QVERIFY(dir->read(kResponse).contains("      25000"));
    QVERIFY(!ed->unsavedChanges());
    QCOMPARE(windowsClosed, 1);  // the report preview
    QCOMPARE(dlg.count(Kind::Ask), 1);
    priceItem(1, "", "1", "", "");
    dlg.clear();
    dlg.choices = {Dialogs::Answer::No};
    closingWindows([&] { QTest::mouseClick(ed->bbtn_importar, Qt::LeftButton); });
    QCOMPARE(windowsClosed, 1);
    QCOMPARE(dlg.log[1].kind, Kind::Message);
    QVERIFY2(dlg.log[1].text.contains("NÃO aparecem"), qPrintable(dlg.log[1].text));
    QVERIFY(ed->unsavedChanges());
  }

  // The input file copied in again after a save: the editor says so and opens the saved proposal
  // (Sim), the input as it is now (Não), or neither (Cancelar, the editor closes).
  void aCopiedAgainInputAsksWhichToOpen() {
    const QByteArray saved = threeItemProposal();
    dir->write(kResponse, saved);
    dir->write("P0001.KVT", saved.left(saved.lastIndexOf("I0003")));  // the call as received: two items
    struct Case {
      Dialogs::Answer answer;
      int rows;
    };
    for (const Case& k :
         {Case{Dialogs::Answer::Yes, 3}, Case{Dialogs::Answer::No, 2}, Case{Dialogs::Answer::Cancel, 0}}) {
      dlg.clear();
      dlg.choices = {k.answer};
      ed = std::make_unique<TTCotavia2>(ProposalRef{dir->path(), "P0001.KVT", kIdentity});
      ed->show();
      QTRY_COMPARE(ed->isVisible(), k.answer != Dialogs::Answer::Cancel);
      QCOMPARE(dlg.count(Kind::Ask), 1);
      QVERIFY2(dlg.log[0].text.contains("P0001.KVT") && dlg.log[0].text.contains(kResponse),
               qPrintable(dlg.log[0].text));
      QCOMPARE(ed->model->rows().size(), k.rows);
    }
    QCOMPARE(dir->read(kResponse), saved);  // nothing written by opening
  }

  // Export: the question names the target; No copies nothing; Yes copies the saved file and
  // says so; a missing target folder is reported.
  void exportToAFolder() {
    TempDir pen;
    TTCotavia2::removableMedia = [&] { return QStringList{pen.path()}; };
    open();
    priceItem(0, "ACME", "2,5", "", "");
    QTest::mouseClick(ed->bbtn_gravar, Qt::LeftButton);
    priceItem(1, "LATER", "1", "", "");  // not saved: the export carries the saved state
    QCOMPARE(ed->DriveComboBox1->itemData(0).toString(), pen.path());
    QCOMPARE(ed->exportFolder(), dir->path());
    ed->DriveComboBox1->setCurrentIndex(0);
    emit ed->DriveComboBox1->activated(0);
    QCOMPARE(ed->exportFolder(), pen.path());

    dlg.answers = {false};
    QTest::mouseClick(ed->bbtn_exportar, Qt::LeftButton);
    QCOMPARE(dlg.log.last().kind, Kind::Confirm);
    QCOMPARE(dlg.log.last().text, "Exportar o Arquivo para: " + pen.path() + "/" + kResponse + " ???");
    QVERIFY(!pen.exists(kResponse));

    dlg.answers = {true};
    QTest::mouseClick(ed->bbtn_exportar, Qt::LeftButton);
    QCOMPARE(pen.read(kResponse), dir->read(kResponse));
    QVERIFY(!pen.read(kResponse).contains("LATER"));
    QCOMPARE(dlg.log.last().kind, Kind::Message);
    QVERIFY(dlg.lastText().startsWith("A proposta foi exportada com sucesso para:"));
    QVERIFY(dlg.lastText().contains(pen.path() + "/" + kResponse));
    QVERIFY(dlg.lastText().contains("Antes de retirar o pen drive"));
    // An ordinary folder is not ejected.
    TempDir folder;
    ed->setExportFolder(folder.path());
    dlg.answers = {true};
    QTest::mouseClick(ed->bbtn_exportar, Qt::LeftButton);
    QVERIFY(folder.exists(kResponse));
    QVERIFY2(!dlg.lastText().contains("pen drive"), qPrintable(dlg.lastText()));

    // The program's own folder: the file is already there; nothing is asked or copied.
    ed->setExportFolder(dir->path() + "/.");
    dlg.clear();
    QTest::mouseClick(ed->bbtn_exportar, Qt::LeftButton);
    QCOMPARE(dlg.log.size(), 1);
    QCOMPARE(dlg.log[0].kind, Kind::Message);
    QVERIFY2(dlg.lastText().startsWith("O arquivo da proposta já está nesta pasta: nada foi copiado."),
             qPrintable(dlg.lastText()));

    dlg.fileAnswers = {pen.path() + "/nao-existe"};
    emit ed->DriveComboBox1->activated(ed->DriveComboBox1->count() - 1);  // "Outra pasta..."
    QCOMPARE(dlg.log.last().kind, Kind::Folder);
    QCOMPARE(dlg.log.last().text, dir->path() + "/.");  // the chooser starts at the folder shown
    QCOMPARE(ed->exportFolder(), pen.path() + "/nao-existe");
    dlg.answers = {true};
    QTest::mouseClick(ed->bbtn_exportar, Qt::LeftButton);
    QCOMPARE(dlg.log.last().kind, Kind::Error);
    QVERIFY(dlg.lastText().startsWith("A proposta NÃO foi exportada."));
  }

  // The price list fills the grid (unsaved) with a summary; a bad line changes nothing.
  void priceListImport() {
    open();
    dir->write("precos.csv",
               "item;marca;preco_unitario;desconto;acrescimo\r\n"
               "0001;ACME;2,5000;1,00;0,50\r\n"
               "0002;Chamex;1.234,5;;\r\n");
    const QByteArray before = dir->read("P0001.KVT");
    dlg.fileAnswers = {dir->file("precos.csv")};
    QTest::mouseClick(ed->bbtn_importarPrecos, Qt::LeftButton);
    QCOMPARE(dlg.log.first().kind, Kind::OpenFile);
    QCOMPARE(dlg.log.first().text, dir->path());  // the chooser starts in the program's folder
    QCOMPARE(dlg.count(Kind::Message), 1);
    QVERIFY(dlg.lastText().startsWith("2 itens receberam preço da lista precos.csv."));
    QCOMPARE(cell(0, 8), QString("         24,50"));
    QCOMPARE(cell(1, 5), QString("1.234,5000"));
    QCOMPARE(cell(1, 9), QString("Chamex"));
    QCOMPARE(dir->read("P0001.KVT"), before);
    QCOMPARE(double(ed->NumEdit_TotalGeral->Value()), 24.5 + 3703.5 + 10.0);

    dir->write("precos.csv",
               "item;marca;preco_unitario;desconto;acrescimo\r\n"
               "0003;NOVA;9,99;;\r\n"
               "0009;X;1;;\r\n");
    dlg.clear();
    dlg.fileAnswers = {dir->file("precos.csv")};
    QTest::mouseClick(ed->bbtn_importarPrecos, Qt::LeftButton);
    QCOMPARE(dlg.count(Kind::Error), 1);
    QVERIFY(dlg.lastText().startsWith("Nenhum preço foi importado."));
    QVERIFY(dlg.lastText().contains(":3"));
    QCOMPARE(cell(2, 9), QString("MARCA X"));
    QCOMPARE(cell(1, 9), QString("Chamex"));
  }

  // "Exportar preços..." writes the saved prices (and says so when the grid has unsaved ones);
  // the sheet imports back through "Importar preços...", leaving the unsaved price alone.
  void priceExportAndImportBack() {
    open();
    // Three exports and the import back answered with the name suggested.
    const QString sheet = dir->file("precos_P0001.xlsx");
    dlg.fileAnswers = {sheet, sheet, sheet, sheet};
    QTest::mouseClick(ed->bbtn_exportarPrecos, Qt::LeftButton);
    QCOMPARE(dlg.log.first().kind, Kind::SaveFile);
    QCOMPARE(dlg.log.first().text, sheet);
    QCOMPARE(dlg.count(Kind::Error), 1);
    QVERIFY2(dlg.lastText().contains("ainda não foi gravada"), qPrintable(dlg.lastText()));
    QVERIFY(!dir->exists("precos_P0001.xlsx"));

    priceItem(0, "ACME", "2,5", "1", "0,5");
    QTest::mouseClick(ed->bbtn_gravar, Qt::LeftButton);
    dlg.clear();
    QTest::mouseClick(ed->bbtn_exportarPrecos, Qt::LeftButton);
    QCOMPARE(dlg.count(Kind::Message), 1);
    QVERIFY(dlg.lastText().startsWith("3 itens exportados para:\r" + dir->file("precos_P0001.xlsx")));
    QVERIFY(!dlg.lastText().contains("não estão no arquivo"));
    priceItem(1, "LATER", "1", "", "");
    QTest::mouseClick(ed->bbtn_exportarPrecos, Qt::LeftButton);
    QVERIFY(dlg.lastText().contains("não estão no arquivo"));

    QTest::mouseClick(ed->bbtn_importarPrecos, Qt::LeftButton);
    QVERIFY2(dlg.lastText().startsWith("2 itens receberam preço da lista precos_P0001.xlsx."),
             qPrintable(dlg.lastText()));
    QCOMPARE(cell(2, 9), QString("MARCA X"));
    QCOMPARE(cell(0, 8), QString("         24,50"));
    QCOMPARE(cell(1, 9), QString("LATER"));

    // A name without a sheet's extension takes the one of the entry it was given under.
    dlg.fileAnswers = {dir->file("lista.v2")};
    dlg.filterAnswers = {"Texto separado por ; (*.csv)"};
    QTest::mouseClick(ed->bbtn_exportarPrecos, Qt::LeftButton);
    QVERIFY(dir->read("lista.v2.csv").startsWith("item;"));
    // The name it becomes is a file already there: asked about, kept on "Não".
    dir->write("lista.v2.csv", "mine");
    dlg.fileAnswers = {dir->file("lista.v2")};
    dlg.filterAnswers = {"Texto separado por ; (*.csv)"};
    dlg.answers = {false};
    QTest::mouseClick(ed->bbtn_exportarPrecos, Qt::LeftButton);
    QVERIFY2(dlg.lastText().contains("lista.v2.csv já existe"), qPrintable(dlg.lastText()));
    QCOMPARE(dir->read("lista.v2.csv"), QByteArray("mine"));
  }

  // A number that does not convert stops loading at its line: the rows before stay, no total;
  // "Gravar" does not replace the file with the rows read before the error.
  void loadErrorNamesTheLine() {
    QList<QByteArray> lines = standardHeader();
    Item a;
    lines << itemLine(a);
    Item bad;
    bad.number = "0002";
    bad.quantity = "12a";
    lines << itemLine(bad);
    lines << itemLine(a);
    dir->write("P0009.KVT", joinCrLf(lines));
    open("P0009.KVT");
    QCOMPARE(dlg.count(Kind::Error), 1);
    QVERIFY(dlg.lastText().contains("P0009.KVT"));
    QVERIFY2(dlg.lastText().contains("is not a valid floating point value"), qPrintable(dlg.lastText()));
    QVERIFY2(dlg.lastText().contains(":8:"), qPrintable(dlg.lastText()));
    QCOMPARE(ed->model->rows().size(), 1);
    QCOMPARE(ed->Edit_Orgao->text(), QString("PREFEITURA MUNICIPAL DE SÃO TESTE"));
    QCOMPARE(ed->NumEdit_TotalGeral->text(), QString("0,00"));
    const QByteArray before = dir->read("P0009.KVT");
    QTest::mouseClick(ed->bbtn_gravar, Qt::LeftButton);
    QCOMPARE(dlg.count(Kind::Error), 2);
    QVERIFY2(dlg.lastText().startsWith("A proposta não pôde ser lida por inteiro"), qPrintable(dlg.lastText()));
    QCOMPARE(dir->read("P0009.KVT"), before);
    QVERIFY(!dir->exists("E12345678000190_P0009.KVT"));
  }

  // Prices of earlier proposals from a temporary book: the item panel shows the last price and F3
  // fills it in; "Preços anteriores..." ticks code matches only and applies all or nothing.
  void previousPricesInThePanelAndTheReviewWindow() {
    const QString bookFile = dir->file("precos.sqlite");
    {
      PriceBook book;
      book.open(bookFile);
      PriceSource here{QStringLiteral("PREFEITURA MUNICIPAL DE SÃO TESTE"), QStringLiteral("P0007.KVT"),
                       QStringLiteral("Pregão 7"), QDateTime(QDate(2026, 3, 12), QTime(10, 0))};
      PricedItem paper{"0009", "000456", "PAPEL A4 BRANCO RESMA 500 FOLHAS", "RS", 2, "Chamex", 21.5L, 0, 0};
      book.record(here, {paper});
      // Another municipality's pen, worded otherwise: a description match. Its discount leaves
      // item 0001 (10 units) with a negative total, which pricing refuses.
      PriceSource there{QStringLiteral("PREFEITURA DE OUTRA CIDADE"), QStringLiteral("P0003.KVT"),
                        QStringLiteral("Pregão 3"), QDateTime(QDate(2026, 2, 1), QTime(9, 0))};
      PricedItem pen{"0001", "999999", "AZUL CANETA ESFEROGRÁFICA", "UN", 10, "Bic Cristal", 1, 50, 0};
      book.record(there, {pen});
    }
    const PriceBookAt bookAt(bookFile);
    open();

    openItem(1);
    QCOMPARE(ed->Label_UltimoPreco->text(),
             QString("Último preço: 21,50 - Chamex - PREFEITURA MUNICIPAL DE SÃO TESTE, 12/03/2026"));
    press(Qt::Key_F3);
    QCOMPARE(ed->Edit_Marca->text(), QString("Chamex"));
    QCOMPARE(ed->NumEdit_Total->text(), QString("64,50"));
    QVERIFY(ed->bbtn_ok->hasFocus());
    press(Qt::Key_Escape);  // left unpriced for the review window
    QCOMPARE(cell(1, 5), QString(10, ' '));

    QList<QStringList> rows;
    QList<bool> tickedAtFirst;
    bool stayedOpen = false;
    QString refusal;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* review = qobject_cast<PriceReviewDialog*>(QApplication::activeModalWidget());
      if (!review) return;
      poll.stop();
      for (int r = 0; r < review->Grid_Sugestoes->rowCount(); ++r) {
        rows << review->rowTexts(r);
        tickedAtFirst << review->ticked(r);
      }
      review->setTicked(0, true);
      review->AplicarClick();  // the pen's negative total refuses both
      refusal = dlg.lastText();
      stayedOpen = review->isVisible();
      review->setTicked(0, false);
      review->AplicarClick();
    });
    poll.start(10);
    QTest::mouseClick(ed->bbtn_precosAnteriores, Qt::LeftButton);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].mid(0, 5), QStringList({"0001", "CANETA ESFEROGRÁFICA AZUL", "Bic Cristal", "1,00", "50,00"}));
    QCOMPARE(rows[0].last(), QString("descrição semelhante"));
    QCOMPARE(rows[1].mid(3, 5),
             QStringList({"21,50", "", "", "PREFEITURA MUNICIPAL DE SÃO TESTE (P0007.KVT)", "12/03/2026"}));
    QCOMPARE(tickedAtFirst, QList<bool>({false, true}));
    QVERIFY2(refusal.startsWith("Nenhum preço foi aplicado.") && refusal.contains("Preços anteriores"),
             qPrintable(refusal));
    QVERIFY(stayedOpen);
    QCOMPARE(cell(0, 5), QString(10, ' '));
    QCOMPARE(cell(1, 5), QString("   21,5000"));
    QCOMPARE(cell(1, 9), QString("Chamex"));
    QVERIFY2(dlg.lastText().startsWith("1 item recebeu preço"), qPrintable(dlg.lastText()));
    QVERIFY(ed->unsavedChanges());
  }

  // The print choice is a list: typed text cannot make up an entry of its own.
  void printChoiceIsAList() {
    open();
    QVERIFY(!ed->ComboBox_TipoImpr->lineEdit());
    ed->ComboBox_TipoImpr->setFocus();
    QTest::keyClicks(ed->ComboBox_TipoImpr, "5 - Outra");
    QCOMPARE(ed->ComboBox_TipoImpr->count(), 2);
    QVERIFY(ed->printChoice() == 0 || ed->printChoice() == 1);
    QCOMPARE(ed->ComboBox_TipoImpr->currentText(), ed->ComboBox_TipoImpr->itemText(ed->printChoice()));
  }

  // Tab runs top to bottom and left to right and passes the read-only fields by; they keep
  // their text shown from its start, and the grand total its formatted amount.
  void tabOrderAndReadOnlyFields() {
    open();
    priceItem(0, "ACME", "3522,091", "", "");
    QTest::mouseClick(ed->bbtn_gravar, Qt::LeftButton);  // shows the export panel
    ed->bbtn_exportar->setFocus();
    const QList<QWidget*> expected = {ed->DriveComboBox1,        ed->bbtn_pasta,
                                      ed->Edit_Fornecedor,       ed->Edit_For_Endereco,
                                      ed->Edit_For_Cidade,       ed->StringGrid1,
                                      ed->bbtn_gravar,           ed->bbtn_importar,
                                      ed->bbtn_voltar,           ed->bbtn_importarPrecos,
                                      ed->ComboBox_TipoImpr,     ed->bbtn_exportarPrecos,
                                      ed->bbtn_precosAnteriores, ed->bbtn_imprimirHistorico,
                                      ed->bbtn_exportar};
    for (QWidget* w : expected) {
      press(Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget()->objectName(), w->objectName());
    }
    for (QLineEdit* e : {ed->Edit_Orgao, ed->Edit_Endereco, ed->Edit_Modalidade, ed->Edit_Objeto, ed->Edit_Entrega,
                         ed->EditAbertura, ed->DirectoryListBox1})
      QCOMPARE(e->focusPolicy(), Qt::NoFocus);
    QCOMPARE(ed->NumEdit_TotalGeral->focusPolicy(), Qt::NoFocus);
    QCOMPARE(ed->NumEdit_TotalGeral->paintedText(), QString("35.230,91"));  // with item 3
    QCOMPARE(ed->Edit_Modalidade->cursorPosition(), 0);
    QCOMPARE(ed->Edit_Orgao->text(), QString("PREFEITURA MUNICIPAL DE SÃO TESTE"));
  }

  // The item total follows each change of the amounts, however the field is left (Tab too).
  void itemTotalFollowsTab() {
    open();
    openItem(0);
    press(Qt::Key_Tab);
    QVERIFY(ed->NumEdit_PrUnit->hasFocus());
    typeText("0,38");
    press(Qt::Key_Tab);
    QCOMPARE(ed->NumEdit_Total->paintedText(), QString("3,80"));
    typeText("1");
    press(Qt::Key_Tab);
    QCOMPARE(ed->NumEdit_Total->paintedText(), QString("2,80"));
  }

  // The editor grows: the grid and the description column take the room, the buttons keep to
  // the lower left and the grand total to the lower right; the size and the column widths come
  // back on the next opening.
  void resizedEditorKeepsItsPlacesAndIsRemembered() {
    open();
    QCOMPARE(ed->size(), QSize(841, 641));
    const QRect grid = ed->StringGrid1->geometry();
    const QPoint gravar = ed->bbtn_gravar->pos(), total = ed->NumEdit_TotalGeral->pos();
    const int description = ed->StringGrid1->columnWidth(ColDescription), code = ed->StringGrid1->columnWidth(ColCode);
    ed->resize(1241, 841);
    QCOMPARE(ed->StringGrid1->geometry(), grid.adjusted(0, 0, 400, 200));
    QCOMPARE(ed->Panel_Item->geometry(), ed->StringGrid1->geometry());
    QCOMPARE(ed->StringGrid1->columnWidth(ColDescription), description + 400);
    QCOMPARE(ed->StringGrid1->columnWidth(ColCode), code);
    QCOMPARE(ed->bbtn_gravar->pos(), gravar + QPoint(0, 200));
    QCOMPARE(ed->NumEdit_TotalGeral->pos(), total + QPoint(400, 200));
    QCOMPARE(ed->Panel_Exporta->x(), 646 + 400);
    QCOMPARE(ed->Edit_Objeto->width(), 825 + 400);
    ed->StringGrid1->setColumnWidth(ColCode, 60);
    QTest::mouseClick(ed->bbtn_voltar, Qt::LeftButton);
    reopen();
    QCOMPARE(ed->size(), QSize(1241, 841));
    QCOMPARE(ed->StringGrid1->columnWidth(ColCode), 60);
    QCOMPARE(ed->StringGrid1->columnWidth(ColDescription), description + 400);
    ed->resize(841, 641);
    QCOMPARE(ed->StringGrid1->columnWidth(ColDescription), description);
    QTest::mouseClick(ed->bbtn_voltar, Qt::LeftButton);
  }
};

QTEST_MAIN(EditorTest)
#include "editor_test.moc"
