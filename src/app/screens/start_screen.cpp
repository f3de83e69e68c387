#include "app/screens/start_screen.h"

#include "app/core/proposal_file.h"
#include "app/core/supplier.h"
#include "app/screens/editor.h"
#include "app/screens/pictures.h"
#include "app/screens/screen_style.h"
#include "platform/amounts.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/files.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <algorithm>
#include <cerrno>

#include <unistd.h>

namespace cotavia {

namespace {

// Marks a listed name that is not UTF-8 (shown with its odd bytes as \xNN).
constexpr int kNameNotUtf8 = Qt::UserRole + 1;

constexpr int kWidth = 630;
constexpr int kHeight = 546;
// The tutorial panel waits below the visible area until it is asked for.
constexpr int kTutorialParkedTop = kHeight + 10;
constexpr int kTutorialShownTop = 35;

QLabel* panelLabel(const QString& text, int px, bool bold, QWidget* parent, const QRect& r) {
  auto* l = new QLabel(text, parent);
  l->setFont(sansFont(px, bold));
  l->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
  l->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  l->setWordWrap(true);
  l->setGeometry(r);
  return l;
}

QPushButton* button(const QString& caption, QWidget* parent, const QRect& r) {
  auto* b = new QPushButton(caption, parent);
  b->setFont(sansFont(13, true));
  b->setGeometry(r);
  b->setAutoDefault(true);  // Enter presses the button that has the focus, as Space does
  return b;
}

}  // namespace

TTCotavia::TTCotavia(const ProgramFolder& folder, QWidget* parent) : QWidget(parent), program_(folder) {
  setObjectName(QStringLiteral("TTCotavia"));
  setWindowTitle(QStringLiteral("Pravel® - Gestão Municipal Tessaro® - Versão 2011-01"));
  setFixedSize(kWidth, kHeight);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);

  new ShadowText(QStringLiteral("Licitação:"), sansFont(37, true), this);
  auto* title2 = new ShadowText(QStringLiteral("Proposta Eletrônica"), sansFont(37, true), this);
  findChildren<ShadowText*>().first()->move(20, 12);
  title2->move(56, 56);
  auto* select = new ShadowText(QStringLiteral("Selecione:"), sansFont(26, true), this);
  select->move(314, 118);

  FileListBox1 = new QListWidget(this);
  FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
  FileListBox1->setGeometry(318, 156, 290, 226);
  FileListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  FileListBox1->setFont(sansFont(13, true));
  QPalette lp = FileListBox1->palette();
  lp.setColor(QPalette::Base, lp.color(QPalette::ToolTipBase));
  lp.setColor(QPalette::Text, lp.color(QPalette::ToolTipText));
  FileListBox1->setPalette(lp);

  auto* hint = new QLabel(QStringLiteral("F5 atualiza a lista"), this);
  hint->setFont(sansFont(11));
  hint->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
  hint->setGeometry(318, 384, 290, 16);
  hint->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  bbtn_digitar = button(QStringLiteral("Visualizar"), this, QRect(318, 404, 140, 34));
  bbtn_digitar->setObjectName(QStringLiteral("bbtn_digitar"));
  bbtn_excluir = button(QStringLiteral("Excluir"), this, QRect(468, 404, 140, 34));
  bbtn_excluir->setObjectName(QStringLiteral("bbtn_excluir"));

  // First-access panel.
  Panel_CNPJCPF = new QWidget(this);
  Panel_CNPJCPF->setObjectName(QStringLiteral("Panel_CNPJCPF"));
  Panel_CNPJCPF->setGeometry(20, 140, 262, 250);
  Panel_CNPJCPF->setAutoFillBackground(true);
  QPalette rp = Panel_CNPJCPF->palette();
  rp.setColor(QPalette::Window, QColor(192, 0, 0));
  Panel_CNPJCPF->setPalette(rp);
  panelLabel(QStringLiteral("Informe:"), 16, true, Panel_CNPJCPF, QRect(8, 10, 246, 22));
  panelLabel(QStringLiteral("o CNPJ se pessoa jurídica"), 14, true, Panel_CNPJCPF, QRect(8, 36, 246, 20));
  panelLabel(QStringLiteral("o CPF se pessoa física"), 14, true, Panel_CNPJCPF, QRect(8, 58, 246, 20));
  MaskEditCNPJCPF = new QLineEdit(Panel_CNPJCPF);
  MaskEditCNPJCPF->setObjectName(QStringLiteral("MaskEditCNPJCPF"));
  MaskEditCNPJCPF->setGeometry(16, 90, 230, 34);
  MaskEditCNPJCPF->setFont(sansFont(21, true));
  MaskEditCNPJCPF->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  panelLabel(QStringLiteral("Somente os números"), 13, true, Panel_CNPJCPF, QRect(8, 130, 246, 20));
  panelLabel(QStringLiteral("Será utilizado para identificação da proposta"), 13, false, Panel_CNPJCPF,
             QRect(8, 156, 246, 40));
  bbtn_confirmarCNPJ = button(QStringLiteral("Confirmar"), Panel_CNPJCPF, QRect(16, 204, 230, 32));
  bbtn_confirmarCNPJ->setObjectName(QStringLiteral("bbtn_confirmarCNPJ"));
  bbtn_cancelarCNPJ = button(QStringLiteral("Cancelar"), Panel_CNPJCPF, QRect(134, 204, 112, 32));
  bbtn_cancelarCNPJ->setObjectName(QStringLiteral("bbtn_cancelarCNPJ"));
  bbtn_cancelarCNPJ->hide();
  Panel_CNPJCPF->hide();

  // The identity in use, where the first-access panel stands, and the way to change it.
  Label_CNPJCPF = new QLabel(this);
  Label_CNPJCPF->setObjectName(QStringLiteral("Label_CNPJCPF"));
  Label_CNPJCPF->setGeometry(20, 300, 262, 30);
  Label_CNPJCPF->setFont(sansFont(15, true));
  Label_CNPJCPF->setAlignment(Qt::AlignCenter);
  Label_CNPJCPF->setAutoFillBackground(true);
  QPalette ip = Label_CNPJCPF->palette();
  ip.setColor(QPalette::Window, QColor(192, 0, 0));
  ip.setColor(QPalette::WindowText, Qt::white);
  Label_CNPJCPF->setPalette(ip);
  Label_CNPJCPF->hide();
  bbtn_alterarCNPJ = button(QStringLiteral("Alterar CNPJ/CPF"), this, QRect(20, 334, 262, 30));
  bbtn_alterarCNPJ->setObjectName(QStringLiteral("bbtn_alterarCNPJ"));
  bbtn_alterarCNPJ->hide();

  Btn_Tutorial = button(QStringLiteral("Clique aqui para ler o Tutorial"), this, QRect(318, 452, 290, 30));
  Btn_Tutorial->setObjectName(QStringLiteral("Btn_Tutorial"));

  // Tutorial panel.
  Panel_Ajuda = new QWidget(this);
  Panel_Ajuda->setObjectName(QStringLiteral("Panel_Ajuda"));
  Panel_Ajuda->setGeometry(4, kTutorialParkedTop, 622, 500);
  Panel_Ajuda->setAutoFillBackground(true);
  QPalette op = Panel_Ajuda->palette();
  op.setColor(QPalette::Window, QColor(128, 128, 0));
  Panel_Ajuda->setPalette(op);
  panelLabel(QStringLiteral(".:: Tutorial ::."), 16, true, Panel_Ajuda, QRect(4, 4, 614, 24));
  Memo_Ajuda = new QPlainTextEdit(Panel_Ajuda);
  Memo_Ajuda->setObjectName(QStringLiteral("Memo_Ajuda"));
  Memo_Ajuda->setGeometry(4, 30, 614, 428);
  Memo_Ajuda->setReadOnly(true);
  Memo_Ajuda->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo_Ajuda->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // lines wrap at the panel
  Memo_Ajuda->setFont(monoFont(11));
  Memo_Ajuda->document()->setDocumentMargin(2);
  Memo_Ajuda->setPlainText(tutorialText());
  Btn_Fechar = button(QStringLiteral("Fechar Tutorial"), Panel_Ajuda, QRect(231, 464, 160, 28));
  Btn_Fechar->setObjectName(QStringLiteral("Btn_Fechar"));
  Panel_Ajuda->hide();

  setTabOrder(FileListBox1, bbtn_digitar);
  setTabOrder(bbtn_digitar, bbtn_excluir);
  setTabOrder(bbtn_excluir, MaskEditCNPJCPF);
  setTabOrder(MaskEditCNPJCPF, bbtn_confirmarCNPJ);
  setTabOrder(bbtn_confirmarCNPJ, bbtn_cancelarCNPJ);
  setTabOrder(bbtn_cancelarCNPJ, bbtn_alterarCNPJ);
  setTabOrder(bbtn_alterarCNPJ, Memo_Ajuda);
  setTabOrder(Memo_Ajuda, Btn_Fechar);
  setTabOrder(Btn_Fechar, Btn_Tutorial);

  connect(MaskEditCNPJCPF, &QLineEdit::textEdited, this, [this] { MaskEditCNPJCPFChange(); });
  connect(MaskEditCNPJCPF, &QLineEdit::returnPressed, this, [this] { bbtn_confirmarCNPJClick(); });
  connect(bbtn_confirmarCNPJ, &QPushButton::clicked, this, [this] { bbtn_confirmarCNPJClick(); });
  connect(bbtn_cancelarCNPJ, &QPushButton::clicked, this, [this] { bbtn_cancelarCNPJClick(); });
  connect(bbtn_alterarCNPJ, &QPushButton::clicked, this, [this] { bbtn_alterarCNPJClick(); });
  connect(bbtn_digitar, &QPushButton::clicked, this, [this] { bbtn_digitarClick(); });
  connect(bbtn_excluir, &QPushButton::clicked, this, [this] { bbtn_excluirClick(); });
  connect(Btn_Tutorial, &QPushButton::clicked, this, [this] { Btn_TutorialClick(); });
  connect(Btn_Fechar, &QPushButton::clicked, this, [this] { Btn_FecharClick(); });
  // Double-click or Enter on a file opens that file, as "Visualizar" does.
  connect(FileListBox1, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    if (!item) return;
    FileListBox1->clearSelection();
    item->setSelected(true);
    bbtn_digitarClick();
  });
  // From the keyboard the entry under the cursor is the chosen one: the list selects it when it
  // gets the focus and wherever an arrow key takes it.
  FileListBox1->installEventFilter(this);
  auto* f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
  connect(f5, &QShortcut::activated, this, [this] { refreshList(); });
}

QByteArray TTCotavia::identity() const { return toCp1252(MaskEditCNPJCPF->text()); }

void TTCotavia::selectOnly(QListWidgetItem* item) {
  FileListBox1->clearSelection();
  FileListBox1->setCurrentItem(item, QItemSelectionModel::Select);
}

bool TTCotavia::eventFilter(QObject* obj, QEvent* e) {
  if (obj != FileListBox1 || FileListBox1->count() == 0 || !FileListBox1->selectedItems().isEmpty())
    return QWidget::eventFilter(obj, e);
  // Nothing selected: the focus arriving, or an arrow key (which moves on from there; with one
  // file it stays), selects the entry under the cursor.
  bool selectCurrent = e->type() == QEvent::FocusIn;
  if (e->type() == QEvent::KeyPress) {
    const int k = static_cast<QKeyEvent*>(e)->key();
    selectCurrent = k == Qt::Key_Up || k == Qt::Key_Down || k == Qt::Key_Home || k == Qt::Key_End ||
                    k == Qt::Key_PageUp || k == Qt::Key_PageDown;
  }
  if (selectCurrent) {
    QListWidgetItem* current = FileListBox1->currentItem();
    selectOnly(current ? current : FileListBox1->item(0));
  }
  return QWidget::eventFilter(obj, e);
}

bool TTCotavia::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && !activated_) FormActivate();
  // Desktops that do not activate new windows still get the activation once the screen is up.
  if (e->type() == QEvent::Show && !activated_)
    QTimer::singleShot(0, this, [this] {
      if (!activated_) FormActivate();
    });
  return QWidget::event(e);
}

void TTCotavia::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  const QImage bg = picture(QStringLiteral("start_background"));
  if (!bg.isNull()) p.drawImage(rect(), bg);
  const QImage logo = picture(QStringLiteral("start_logo"));
  if (!logo.isNull()) p.drawImage(QPoint(14, height() - logo.height() - 14), logo);
}

void TTCotavia::FormActivate() {
  activated_ = true;
  folder_ = program_.path;
  try {
    finishInterruptedSaves(folder_);  // a save a kill interrupted, and temporary files left over
  } catch (const AppError& e) {
    dialogs().error(userMessage(e));
  }
  listFiles({});
  if (program_.created)
    dialogs().message(QStringLiteral("A pasta das propostas foi criada em:\r") + folder_ +
                      QStringLiteral("\rCopie para ela os arquivos de proposta (P*.KVT) recebidos."));
  std::optional<QByteArray> id;
  try {
    id = readIdentity(folder_);
  } catch (const AppError& e) {
    dialogs().error(userMessage(e));
  }
  if (id) {
    MaskEditCNPJCPF->setText(fromCp1252(*id));
    identityLoaded_ = true;
    showIdentity();
    FileListBox1->setFocus();
  } else {
    identityLoaded_ = false;
    showIdentityPanel(false);
  }
}

void TTCotavia::showIdentityPanel(bool changing) {
  Label_CNPJCPF->hide();
  bbtn_alterarCNPJ->hide();
  bbtn_cancelarCNPJ->setVisible(changing);
  bbtn_confirmarCNPJ->setGeometry(changing ? QRect(16, 204, 112, 32) : QRect(16, 204, 230, 32));
  Panel_CNPJCPF->show();
  MaskEditCNPJCPF->setFocus();
  MaskEditCNPJCPF->selectAll();
}

void TTCotavia::showIdentity() {
  Panel_CNPJCPF->hide();
  Label_CNPJCPF->setText(fromCp1252(identityDisplay(identity())));
  Label_CNPJCPF->show();
  bbtn_alterarCNPJ->show();
}

bool TTCotavia::identityUsable(const QByteArray& id) {
  try {
    checkIdentityForFileName(id);
    return true;
  } catch (const AppError&) {
    dialogs().message(
        QStringLiteral("O CNPJ/CPF informado não pode fazer parte do nome do arquivo da proposta.\r"
                       "Informe somente os números."));
    return false;
  }
}

bool TTCotavia::identityAccepted() {
  // Confirmed unchanged, the identity in use stays as CNPJCPF.KSD holds it.
  if (!identityBefore_.isEmpty() && padIdentity(identity()) == toCp1252(identityBefore_)) return true;
  try {
    newIdentity(MaskEditCNPJCPF->text());
    return true;
  } catch (const AppError& e) {
    dialogs().message(userMessage(e));
    MaskEditCNPJCPF->setFocus();
    MaskEditCNPJCPF->selectAll();  // typed again, the number replaces the refused one
    return false;
  }
}

void TTCotavia::bbtn_alterarCNPJClick() {
  identityBefore_ = MaskEditCNPJCPF->text();
  identityLoaded_ = false;
  // The digits of the identity in use, without the zeros that made it up to 14 characters.
  QString digits;
  for (QChar c : identityBefore_)
    if (c.isDigit()) digits += c;
  const bool cpf = identityDisplay(identity()).startsWith("CPF");
  while (digits.size() > (cpf ? 11 : 14) && digits.startsWith('0')) digits.remove(0, 1);
  MaskEditCNPJCPF->setText(digits);
  showIdentityPanel(true);
}

void TTCotavia::bbtn_confirmarCNPJClick() {
  if (!Panel_CNPJCPF->isVisible()) return;
  if (MaskEditCNPJCPF->text().isEmpty()) {
    dialogs().message(QStringLiteral("Por favor, informe o CNPJ/CPF !!!"));
    MaskEditCNPJCPF->setFocus();
    return;
  }
  if (!identityAccepted()) return;
  if (storeIdentity()) FileListBox1->setFocus();
}

bool TTCotavia::storeIdentity() {
  try {
    MaskEditCNPJCPF->setText(fromCp1252(writeIdentity(folder_, identity())));
  } catch (const AppError& e) {
    dialogs().error(userMessage(e));
    return false;
  }
  identityLoaded_ = true;
  identityBefore_.clear();
  showIdentity();
  return true;
}

void TTCotavia::bbtn_cancelarCNPJClick() {
  if (identityBefore_.isEmpty()) return;  // first access: there is nothing to go back to
  MaskEditCNPJCPF->setText(identityBefore_);
  identityBefore_.clear();
  identityLoaded_ = true;
  showIdentity();
  FileListBox1->setFocus();
}

void TTCotavia::listFiles(const QStringList& keepSelected) {
  FileListBox1->clear();
  if (folder_.isEmpty()) return;
  QStringList names =
      QDir(folder_).entryList({QStringLiteral("P*.KVT")}, QDir::Files | QDir::Readable | QDir::Hidden, QDir::Name);
  // A name that is not UTF-8 (from an old pen drive) is listed as its bytes are, so that opening
  // it can say what to do.
  const qsizetype readable = names.size();
  for (const QByteArray& n : namesNotUtf8(folder_))
    if (n.toUpper().startsWith('P') && n.toUpper().endsWith(".KVT")) names << shownFileName(n);
  std::sort(names.begin() + readable, names.end());
  for (qsizetype i = 0; i < names.size(); ++i) {
    const QString& n = names[i];
    auto* item = new QListWidgetItem(n, FileListBox1);
    if (i >= readable) item->setData(kNameNotUtf8, true);
    if (keepSelected.contains(n)) {
      item->setSelected(true);
      FileListBox1->setCurrentItem(item, QItemSelectionModel::Current);
    }
  }
}

void TTCotavia::refreshList() {
  QStringList selected;
  for (const QListWidgetItem* i : FileListBox1->selectedItems()) selected << i->text();
  listFiles(selected);
}

void TTCotavia::MaskEditCNPJCPFChange() {
  const QString typed = MaskEditCNPJCPF->text();
  QString digits;
  int caret = MaskEditCNPJCPF->cursorPosition();
  for (int i = 0; i < typed.size(); ++i) {
    if (typed[i] >= '0' && typed[i] <= '9')
      digits += typed[i];
    else if (i < MaskEditCNPJCPF->cursorPosition())
      --caret;
  }
  // A CNPJ has 14 digits: more cannot be an identity.
  if (digits.size() > 14) digits.truncate(14);
  if (digits != typed) {
    MaskEditCNPJCPF->setText(digits);
    MaskEditCNPJCPF->setCursorPosition(std::clamp(caret, 0, static_cast<int>(digits.size())));
    dialogs().beep();
  }
  // The focus stays in the field whatever is typed: Enter (or "Confirmar") stores it.
}

void TTCotavia::bbtn_digitarClick() {
  if (MaskEditCNPJCPF->text().isEmpty()) {
    dialogs().message(QStringLiteral("Por favor, informe o CNPJ/CPF !!!"));
    MaskEditCNPJCPF->setFocus();
    return;
  }
  const QList<QListWidgetItem*> selected = FileListBox1->selectedItems();
  if (selected.isEmpty()) {
    dialogs().message(QStringLiteral("Selecione o arquivo referente a Licitação desejada !!!"));
    return;
  }
  if (selected.size() > 1) {
    dialogs().message(QStringLiteral("Selecione apenas o arquivo referente a Licitação desejada !!!"));
    return;
  }
  // The identity becomes part of the response file's name: refuse what cannot be one. A stored
  // one is corrected on the first-access panel.
  if (identityLoaded_ && !identityUsable(identity())) {
    bbtn_alterarCNPJClick();
    return;
  }
  if (!identityLoaded_ && !identityAccepted()) return;
  // A folder that cannot be written (a compressed file opened in place, a page of the internet)
  // would lose every price typed: said before the editor opens.
  if (::access(QFile::encodeName(folder_).constData(), W_OK) != 0)
    dialogs().message(
        QStringLiteral("Se esse Programa for executado dentro de um arquivo compactado ou pela internet \r"
                       "as informações não serão gravadas !!! É necessário que os arquivos estejam salvos \r"
                       "em uma pasta no computador ou em uma PenDrive !!! "));
  if (!identityLoaded_ && !storeIdentity()) return;
  const QString name = selected.first()->text();
  if (selected.first()->data(kNameNotUtf8).toBool()) {
    // Opened by the name Qt made of it, another (missing) file would be read and written.
    dialogs().message(QStringLiteral("O nome do arquivo \"%1\" tem letras gravadas numa codificação antiga (não "
                                     "UTF-8, como os nomes de um pen drive antigo), e o programa não consegue "
                                     "abri-lo por esse nome.\rRenomeie o arquivo (por exemplo, para P0002.KVT) e "
                                     "pressione F5 para ver a lista de novo.")
                          .arg(name));
    return;
  }
  {
    TTCotavia2 editor({folder_, name, identity()}, this);
    editor.exec();
  }
  activateWindow();
}

void TTCotavia::bbtn_excluirClick() {
  // The file clicked in the list (the current entry, when it is selected); with none, nothing is
  // asked. The question names the file, so the user sees what will go.
  QListWidgetItem* current = FileListBox1->currentItem();
  if (!current || !current->isSelected()) {
    const QList<QListWidgetItem*> selected = FileListBox1->selectedItems();
    current = selected.size() == 1 ? selected.first() : nullptr;
  }
  if (!current) {
    dialogs().message(QStringLiteral("Selecione na lista a proposta a excluir."));
    return;
  }
  if (!dialogs().confirmDestructive(
          QStringLiteral("Tem certeza que deseja excluir a Proposta ") + current->text() + QStringLiteral(" ???"),
          QStringLiteral("Confirme")))
    return;
  const QString path = joinPath(folder_, current->text());
  // A refused deletion is said, not passed over: the file would stay in the list unexplained.
  const int err = ::unlink(QFile::encodeName(path).constData()) == 0 ? 0 : errno;
  if (err != 0 && err != ENOENT)
    dialogs().error(QStringLiteral("A proposta NÃO foi excluída.\r") + userMessage(systemError(path, err)));
  listFiles({});
}

void TTCotavia::Btn_TutorialClick() {
  Panel_Ajuda->move(Panel_Ajuda->x(), kTutorialShownTop);
  Panel_Ajuda->show();
  Panel_Ajuda->raise();
  Btn_Tutorial->hide();
  Memo_Ajuda->setFocus();
}

void TTCotavia::Btn_FecharClick() {
  Btn_Tutorial->show();
  Panel_Ajuda->hide();
  FileListBox1->setFocus();
}

}  // namespace cotavia
