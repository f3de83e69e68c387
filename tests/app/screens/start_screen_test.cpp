// The start screen: first access, identity, selection messages, deletion, list refresh, tutorial.
#include "app/screens/start_screen.h"
#include "gui_fixtures.h"
#include "platform/files.h"
#include "platform/qt_dialogs.h"

#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <fcntl.h>
#include <unistd.h>

using namespace cotavia;
using namespace cotavia::test;
using Kind = HeadlessDialogs::Entry::Kind;

namespace {
const QString kWarning = QStringLiteral(
    "Se esse Programa for executado dentro de um arquivo compactado ou pela internet \r"
    "as informações não serão gravadas !!! É necessário que os arquivos estejam salvos \r"
    "em uma pasta no computador ou em uma PenDrive !!! ");
}

class StartScreenTest : public QObject, ScreenTest {
  Q_OBJECT

 private:
  std::unique_ptr<TTCotavia> screen;

  void open() {
    screen = std::make_unique<TTCotavia>(programFolder(dir->path()));
    showActive(screen.get());
    QTRY_VERIFY(!screen->folder().isEmpty());  // activation ran
  }
  QStringList listed() const {
    QStringList names;
    for (int i = 0; i < screen->FileListBox1->count(); ++i) names << screen->FileListBox1->item(i)->text();
    return names;
  }
  void select(const QString& name, Qt::KeyboardModifiers mods = {}) {
    const auto items = screen->FileListBox1->findItems(name, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    const QRect r = screen->FileListBox1->visualItemRect(items.first());
    QTest::mouseClick(screen->FileListBox1->viewport(), Qt::LeftButton, mods, r.center());
  }
  QList<HeadlessDialogs::Entry> messages() const {
    QList<HeadlessDialogs::Entry> m;
    for (const auto& e : dlg.log)
      if (e.kind != Kind::Beep) m << e;
    return m;
  }

 private slots:
  void init() {
    freshFolder({"P0001.KVT", "P0002.KVT", "p0003.kvt"});
    dir->write("E12345678000190_P0001.KVT", "x");
    dir->write("LEIAME.TXT", "x");
  }
  void cleanup() {
    screen.reset();
    dir.reset();
  }

  // First start without an identity: the red panel, the focus in the field, the empty-field message.
  void firstAccessAsksForTheIdentity() {
    open();
    QVERIFY(screen->Panel_CNPJCPF->isVisible());
    QTRY_VERIFY(screen->MaskEditCNPJCPF->hasFocus());
    QCOMPARE(listed(), QStringList({"P0001.KVT", "P0002.KVT", "p0003.kvt"}));
    select("P0001.KVT");
    QTest::mouseClick(screen->bbtn_digitar, Qt::LeftButton);
    QCOMPARE(messages().size(), 1);
    QCOMPARE(messages()[0].text, QString("Por favor, informe o CNPJ/CPF !!!"));
    QVERIFY(screen->MaskEditCNPJCPF->hasFocus());
    QVERIFY(!dir->exists("CNPJCPF.KSD"));
  }

  // A CPF with wrong check digits is refused, saying which digits to check; an 11-digit CPF is
  // stored with three leading zeros; the editor opens on the selected file with the 14-character
  // identity, without the warning about folders that cannot be written.
  void cpfIsPaddedAndWrittenThenTheEditorOpens() {
    open();
    QTest::keyClicks(screen->MaskEditCNPJCPF, "12345678901");
    QVERIFY(screen->MaskEditCNPJCPF->hasFocus());  // a CPF does not jump to the list
    select("P0002.KVT");
    QTest::mouseClick(screen->bbtn_digitar, Qt::LeftButton);
    QCOMPARE(messages().size(), 1);
    QCOMPARE(messages()[0].text, QString("O CPF 123.456.789-01 não é válido: confira os dígitos."));
    QVERIFY(screen->MaskEditCNPJCPF->hasFocus());
    QVERIFY(!dir->exists("CNPJCPF.KSD"));
    dlg.clear();
    QTest::keyClicks(screen->MaskEditCNPJCPF, "12345678909");  // the refused number was selected
    QCOMPARE(screen->MaskEditCNPJCPF->text(), QString("12345678909"));
    QString openedOn;
    whenEditorShown([&](TTCotavia2* ed) {
      openedOn = ed->Edit_Orgao->text();
      QTest::mouseClick(ed->bbtn_voltar, Qt::LeftButton);
    });
    QTest::mouseClick(screen->bbtn_digitar, Qt::LeftButton);
    QCOMPARE(openedOn, QString("PREFEITURA MUNICIPAL DE SÃO TESTE"));
    QCOMPARE(dir->read("CNPJCPF.KSD"), QByteArray("00012345678909\r\n"));
    QCOMPARE(screen->MaskEditCNPJCPF->text(), QString("00012345678909"));
    QVERIFY(!screen->Panel_CNPJCPF->isVisible());
    QCOMPARE(messages().size(), 0);

    // A second opening in the same run keeps the 14 characters.
    whenEditorShown([](TTCotavia2* ed) { ed->close(); });
    QTest::mouseClick(screen->bbtn_digitar, Qt::LeftButton);
    QCOMPARE(messages().size(), 0);
    QCOMPARE(dir->read("CNPJCPF.KSD"), QByteArray("00012345678909\r\n"));

    // A folder that cannot be written is warned about before the editor opens.
    QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::ExeOwner);
    whenEditorShown([](TTCotavia2* ed) { ed->close(); });
    QTest::mouseClick(screen->bbtn_digitar, Qt::LeftButton);
    QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (messages().isEmpty()) QSKIP("running with rights that ignore folder permissions");
    QCOMPARE(messages()[0].text, kWarning);
  }

  // Keyboard only: the 14th digit keeps the focus in the field and Enter stores the identity;
  // Tab to the list, an arrow and Enter open the proposal under the cursor.
  void keyboardOnlyFirstAccessAndOpening() {
    QFile::remove(dir->file("P0002.KVT"));
    QFile::remove(dir->file("p0003.kvt"));
    open();
    QTest::keyClicks(screen->MaskEditCNPJCPF, "12345678000195");
    QVERIFY(screen->MaskEditCNPJCPF->hasFocus());
    QTest::keyClick(screen->MaskEditCNPJCPF, Qt::Key_Return);
    QCOMPARE(dir->read("CNPJCPF.KSD"), QByteArray("12345678000195\r\n"));
    QVERIFY(messages().isEmpty());
    screen->FileListBox1->clearSelection();
    screen->bbtn_excluir->setFocus();
    QString opened;
    whenEditorShown([&](TTCotavia2* ed) {
      opened = ed->proposalRef().inputFileName;
      ed->close();
    });
    QTest::keyClick(screen->bbtn_excluir, Qt::Key_Backtab);
    QTest::keyClick(screen->bbtn_digitar, Qt::Key_Backtab);
    QVERIFY(screen->FileListBox1->hasFocus());
    QCOMPARE(screen->FileListBox1->selectedItems().size(), 1);  // selected as the focus arrives
    QTest::keyClick(screen->FileListBox1, Qt::Key_Down);
    QCOMPARE(screen->FileListBox1->selectedItems().size(), 1);
    QTest::keyClick(screen->FileListBox1, Qt::Key_Return);
    QCOMPARE(opened, QString("P0001.KVT"));
    // Enter on a button presses it.
    opened.clear();
    whenEditorShown([&](TTCotavia2* ed) {
      opened = ed->proposalRef().inputFileName;
      ed->close();
    });
    screen->bbtn_digitar->setFocus();
    QTest::keyClick(screen->bbtn_digitar, Qt::Key_Return);
    QCOMPARE(opened, QString("P0001.KVT"));
    QVERIFY(messages().isEmpty());
  }

  // Letters and separators typed or pasted are dropped quietly (a beep, no box); a path
  // separator never reaches the file.
  void identityFieldRules() {
    open();
    QTest::keyClicks(screen->MaskEditCNPJCPF, "12a3");
    QTest::keyClick(screen->MaskEditCNPJCPF, Qt::Key_Left);
    QTest::keyClick(screen->MaskEditCNPJCPF, Qt::Key_Period);
    QTest::keyClick(screen->MaskEditCNPJCPF, Qt::Key_4);
    QCOMPARE(screen->MaskEditCNPJCPF->text(), QString("1243"));
    QCOMPARE(messages().size(), 0);
    QCOMPARE(dlg.count(Kind::Beep), 2);
    QApplication::clipboard()->setText("12.345.678/0001-90");
    screen->MaskEditCNPJCPF->selectAll();
    QTest::keyClick(screen->MaskEditCNPJCPF, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(screen->MaskEditCNPJCPF->text(), QString("12345678000190"));
    QCOMPARE(messages().size(), 0);

    screen->MaskEditCNPJCPF->setText("12/345");
    dlg.clear();
    select("P0001.KVT");
    QTest::mouseClick(screen->bbtn_digitar, Qt::LeftButton);
    QCOMPARE(messages().size(), 1);
    QVERIFY(messages()[0].text.startsWith("O CNPJ/CPF \"12/345\" contém caracteres que não são números"));
    QVERIFY(!dir->exists("CNPJCPF.KSD"));
  }

  // A stored identity fills the field and the focus goes to the list; a blank one is missing.
  void storedIdentity() {
    dir->write("CNPJCPF.KSD", "12345678000190XYZ\r\n");
    open();
    QVERIFY(!screen->Panel_CNPJCPF->isVisible());
    QCOMPARE(screen->MaskEditCNPJCPF->text(), QString("12345678000190"));
    QTRY_VERIFY(screen->FileListBox1->hasFocus());
    screen.reset();
    dir->write("CNPJCPF.KSD", "   \t\r\n");
    open();
    QVERIFY(screen->Panel_CNPJCPF->isVisible());
    QVERIFY(screen->MaskEditCNPJCPF->text().isEmpty());
  }

  // The identity in use is shown and can be changed on the first-access panel with its checks;
  // "Cancelar" keeps it; a stored identity that cannot be part of a file name is corrected there.
  void identityIsShownAndChanged() {
    dir->write("CNPJCPF.KSD", "12345678000190\r\n");
    open();
    QVERIFY(screen->Label_CNPJCPF->isVisible());
    QCOMPARE(screen->Label_CNPJCPF->text(), QString("CNPJ: 12.345.678/0001-90"));
    QTest::mouseClick(screen->bbtn_alterarCNPJ, Qt::LeftButton);
    QVERIFY(screen->Panel_CNPJCPF->isVisible());
    QVERIFY(screen->MaskEditCNPJCPF->hasFocus());
    QTest::keyClicks(screen->MaskEditCNPJCPF, "98765");
    QTest::keyClick(screen->bbtn_cancelarCNPJ, Qt::Key_Space);
    QVERIFY(!screen->Panel_CNPJCPF->isVisible());
    QCOMPARE(screen->MaskEditCNPJCPF->text(), QString("12345678000190"));

    // A CPF typed over it, Enter: checked, stored with its zeros, shown as a CPF.
    QTest::mouseClick(screen->bbtn_alterarCNPJ, Qt::LeftButton);
    QTest::keyClick(screen->MaskEditCNPJCPF, Qt::Key_Return);  // the same digits again
    QVERIFY(!screen->Panel_CNPJCPF->isVisible());
    QTest::mouseClick(screen->bbtn_alterarCNPJ, Qt::LeftButton);
    screen->MaskEditCNPJCPF->selectAll();
    QTest::keyClick(screen->MaskEditCNPJCPF, Qt::Key_Delete);
    QTest::keyClick(screen->MaskEditCNPJCPF, Qt::Key_Return);
    QCOMPARE(messages().size(), 1);
    QCOMPARE(messages()[0].text, QString("Por favor, informe o CNPJ/CPF !!!"));
    QVERIFY(screen->Panel_CNPJCPF->isVisible());
    QTest::keyClicks(screen->MaskEditCNPJCPF, "12345678909");
    QTest::keyClick(screen->MaskEditCNPJCPF, Qt::Key_Return);
    QVERIFY(!screen->Panel_CNPJCPF->isVisible());
    QCOMPARE(dir->read("CNPJCPF.KSD"), QByteArray("00012345678909\r\n"));
    QCOMPARE(screen->Label_CNPJCPF->text(), QString("CPF: 123.456.789-09"));
    QTRY_VERIFY(screen->FileListBox1->hasFocus());

    // Stored unsafe: "Visualizar" says so and opens the panel on its digits.
    screen.reset();
    dir->write("CNPJCPF.KSD", "12/45678000190\r\n");
    dlg.clear();
    open();
    select("P0001.KVT");
    QTest::mouseClick(screen->bbtn_digitar, Qt::LeftButton);
    QCOMPARE(messages().size(), 1);
    QVERIFY(messages()[0].text.startsWith("O CNPJ/CPF informado não pode fazer parte"));
    QVERIFY(screen->Panel_CNPJCPF->isVisible());
    QCOMPARE(screen->MaskEditCNPJCPF->text(), QString("1245678000190"));
    QTest::keyClick(screen->MaskEditCNPJCPF, Qt::Key_End);
    QTest::keyClicks(screen->MaskEditCNPJCPF, "0");
    dlg.clear();
    QTest::mouseClick(screen->bbtn_confirmarCNPJ, Qt::LeftButton);  // a new entry: its check digits count
    QCOMPARE(messages().size(), 1);
    QCOMPARE(messages()[0].text, QString("O CNPJ 12.456.780/0019-00 não é válido: confira os dígitos."));
    QCOMPARE(dir->read("CNPJCPF.KSD"), QByteArray("12/45678000190\r\n"));
    QVERIFY(screen->MaskEditCNPJCPF->hasFocus());
    screen->MaskEditCNPJCPF->selectAll();
    QTest::keyClicks(screen->MaskEditCNPJCPF, "12345678000195");
    QTest::mouseClick(screen->bbtn_confirmarCNPJ, Qt::LeftButton);
    QCOMPARE(dir->read("CNPJCPF.KSD"), QByteArray("12345678000195\r\n"));
    QCOMPARE(screen->Label_CNPJCPF->text(), QString("CNPJ: 12.345.678/0001-95"));
  }

  // Nothing selected, or two files selected with Ctrl+click: a message and nothing opens.
  void selectionMessages() {
    dir->write("CNPJCPF.KSD", "12345678000190\r\n");
    open();
    bool opened = false;
    whenEditorShown([&](TTCotavia2* ed) {
      opened = true;
      ed->close();
    });
    screen->FileListBox1->clearSelection();
    QTest::mouseClick(screen->bbtn_digitar, Qt::LeftButton);
    QCOMPARE(dlg.lastText(), QString("Selecione o arquivo referente a Licitação desejada !!!"));
    select("P0001.KVT");
    select("P0002.KVT", Qt::ControlModifier);
    QCOMPARE(screen->FileListBox1->selectedItems().size(), 2);
    QTest::mouseClick(screen->bbtn_digitar, Qt::LeftButton);
    QCOMPARE(dlg.lastText(), QString("Selecione apenas o arquivo referente a Licitação desejada !!!"));
    QCOMPARE(messages().size(), 2);
    // A name that is not UTF-8 (Latin-1, from an old pen drive) is listed and refused, not taken
    // for another file.
    const int fd = ::open(QFile::encodeName(dir->path()) +
                              "/P\xE7"
                              "4.KVT",
                          O_WRONLY | O_CREAT, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);
    screen->refreshList();
    select(QStringLiteral("P\\xE74.KVT"));
    QTest::mouseClick(screen->bbtn_digitar, Qt::LeftButton);
    ::unlink(QFile::encodeName(dir->path()) +
             "/P\xE7"
             "4.KVT");
    QVERIFY(dlg.lastText().contains("codificação antiga"));
    QTest::qWait(50);
    QVERIFY(!opened);
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<TTCotavia2*>(w)) w->close();
  }

  // "Excluir": with nothing clicked it asks to click a file and asks nothing else; the question
  // names the file; No keeps it, Yes deletes the current entry only; the list is read again.
  void deleteAsksFirst() {
    dir->write("CNPJCPF.KSD", "12345678000190\r\n");
    open();
    screen->FileListBox1->clearSelection();
    QTest::mouseClick(screen->bbtn_excluir, Qt::LeftButton);
    QCOMPARE(dlg.log.last().kind, Kind::Message);
    QCOMPARE(dlg.lastText(), QString("Selecione na lista a proposta a excluir."));
    QCOMPARE(dlg.count(Kind::Confirm), 0);
    QCOMPARE(dlg.count(Kind::Error), 0);
    select("P0002.KVT");
    dlg.answers = {false};
    QTest::mouseClick(screen->bbtn_excluir, Qt::LeftButton);
    QCOMPARE(dlg.log.last().kind, Kind::Confirm);
    QCOMPARE(dlg.log.last().text, QString("Tem certeza que deseja excluir a Proposta P0002.KVT ???"));
    QCOMPARE(dlg.log.last().caption, QString("Confirme"));
    QVERIFY(dir->exists("P0002.KVT"));
    dlg.answers = {true};
    QTest::mouseClick(screen->bbtn_excluir, Qt::LeftButton);
    QVERIFY(!dir->exists("P0002.KVT"));
    QVERIFY(dir->exists("P0001.KVT"));
    QVERIFY(dir->exists("E12345678000190_P0001.KVT"));
    QCOMPARE(listed(), QStringList({"P0001.KVT", "p0003.kvt"}));
  }

  // The question of "Excluir" answers "Não" to Enter and to Esc.
  void deleteQuestionDefaultsToNo() {
    dir->write("CNPJCPF.KSD", "12345678000190\r\n");
    QtDialogs real;
    DialogsGuard guard(&real);
    open();
    select("P0002.KVT");
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
      QTimer::singleShot(0, [key] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        QTest::keyClick(QApplication::activeModalWidget(), key);
      });
      QTest::mouseClick(screen->bbtn_excluir, Qt::LeftButton);
      QVERIFY(dir->exists("P0002.KVT"));
    }
  }

  // The file choosers name kinds of file in Portuguese and have room for the filter's text.
  void fileChoosersInPortugueseWithRoomForTheirTexts() {
    const QString filter = QStringLiteral("Listas de preços (*.xlsx *.XLSX *.ods *.ODS *.csv *.CSV *.txt *.TXT)");
    QFileDialog d(nullptr, QStringLiteral("Importar preços"), dir->path(), filter);
    d.setOption(QFileDialog::DontUseNativeDialog);
    QtDialogs::prepare(d);
    d.show();
    QCOMPARE(d.iconProvider()->type(QFileInfo(QDir::tempPath())), QString("Pasta"));
    QCOMPARE(d.iconProvider()->type(QFileInfo(dir->file("P0001.KVT"))), QString("Arquivo KVT"));
    auto* filters = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(filters);
    QVERIFY(filters->width() > filters->fontMetrics().horizontalAdvance(filter));
  }

  // A deletion the file system refuses is reported, and the file stays listed.
  void refusedDeletionIsReported() {
    dir->write("CNPJCPF.KSD", "12345678000190\r\n");
    open();
    select("P0001.KVT");
    QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::ExeOwner);
    dlg.answers = {true};
    QTest::mouseClick(screen->bbtn_excluir, Qt::LeftButton);
    QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!dir->exists("P0001.KVT")) QSKIP("running with rights that ignore folder permissions");
    QCOMPARE(dlg.count(Kind::Error), 1);
    QVERIFY(dlg.lastText().contains("P0001.KVT"));
    QVERIFY(listed().contains("P0001.KVT"));
  }

  // Files added while the program runs appear after F5 (the selection is kept).
  void f5ReadsTheFolderAgain() {
    dir->write("CNPJCPF.KSD", "12345678000190\r\n");
    open();
    select("P0002.KVT");
    dir->write("P0000.KVT", threeItemProposal());
    QVERIFY(!listed().contains("P0000.KVT"));
    QTest::keyClick(screen->FileListBox1, Qt::Key_F5);
    QCOMPARE(listed(), QStringList({"P0000.KVT", "P0001.KVT", "P0002.KVT", "p0003.kvt"}));
    QCOMPARE(screen->FileListBox1->selectedItems().size(), 1);
    QCOMPARE(screen->FileListBox1->selectedItems().first()->text(), QString("P0002.KVT"));
  }

  // The tutorial panel comes up at 35 pixels from the top with its sections and goes away again.
  void tutorial() {
    dir->write("CNPJCPF.KSD", "12345678000190\r\n");
    open();
    QVERIFY(!screen->Panel_Ajuda->isVisible());
    QTest::mouseClick(screen->Btn_Tutorial, Qt::LeftButton);
    QVERIFY(screen->Panel_Ajuda->isVisible());
    QCOMPARE(screen->Panel_Ajuda->y(), 35);
    QVERIFY(!screen->Btn_Tutorial->isVisible());
    const QStringList lines = screen->Memo_Ajuda->toPlainText().split('\n');
    QCOMPARE(lines[0], QString("Bem vindo ao Cotavia !!!"));
    QCOMPARE(lines[1], QString("Aplicativo versátil para informar as propostas."));
    QVERIFY(lines.contains(QString(8, ' ') + "Conteúdo:"));
    const QStringList titles = {"Primeiro acesso",       "Selecionando a proposta", "Informando a proposta",
                                "Imprimindo a proposta", "Exportando a proposta",   "Dúvidas sobre o Aplicativo"};
    for (const QString& t : titles) {
      QVERIFY2(lines.contains(QString(16, ' ') + ". " + t), qPrintable(t));
      const int at = lines.indexOf(" . " + t + ":");
      QVERIFY2(at > 0, qPrintable(t));
      QCOMPARE(lines[at - 1], QString(88, '_'));
      QVERIFY(lines[at + 1].isEmpty());
      QVERIFY(!lines[at + 2].isEmpty());
    }
    QTest::mouseClick(screen->Btn_Fechar, Qt::LeftButton);
    QVERIFY(!screen->Panel_Ajuda->isVisible());
    QVERIFY(screen->Btn_Tutorial->isVisible());
  }
};

QTEST_MAIN(StartScreenTest)
#include "start_screen_test.moc"
