#include "textprint/txsetup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>

namespace cotavia {

namespace {

// A small printer drawn beside the window's title.
QPixmap figuraImpressora() {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QColor(40, 40, 40));
  p.setBrush(Qt::white);
  p.drawRect(8, 2, 16, 12);
  p.setBrush(QColor(170, 170, 170));
  p.drawRoundedRect(2, 12, 28, 12, 2, 2);
  p.setBrush(Qt::white);
  p.drawRect(8, 20, 16, 10);
  p.setPen(QColor(0, 0, 128));
  for (int y = 23; y < 30; y += 2) p.drawLine(10, y, 22, y);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 170, 0));
  p.drawEllipse(QPointF(26, 16), 1.5, 1.5);
  return pm;
}

bool numero(const QString& s, int& out) {
  bool ok = false;
  const int v = s.trimmed().toInt(&ok);
  if (ok) out = v;
  return ok;
}

}  // namespace

// ---- TUpDown ----

TUpDown::TUpDown(QLineEdit* associado, int minimo, int maximo, QWidget* parent)
    : QWidget(parent), edit_(associado), min_(minimo), max_(maximo) {
  acima = new QToolButton(this);
  acima->setArrowType(Qt::UpArrow);
  acima->setObjectName(QStringLiteral("acima"));
  abaixo = new QToolButton(this);
  abaixo->setArrowType(Qt::DownArrow);
  abaixo->setObjectName(QStringLiteral("abaixo"));
  acima->setAutoRepeat(true);
  abaixo->setAutoRepeat(true);
  acima->setFocusPolicy(Qt::NoFocus);
  abaixo->setFocusPolicy(Qt::NoFocus);
  connect(acima, &QToolButton::clicked, this, [this] { Click(1); });
  connect(abaixo, &QToolButton::clicked, this, [this] { Click(-1); });
}

int TUpDown::Position() const {
  int v = min_;
  numero(edit_->text(), v);
  return qBound(min_, v, max_);
}

void TUpDown::setPosition(int v) { edit_->setText(QString::number(v)); }

void TUpDown::Click(int passo) { edit_->setText(QString::number(qBound(min_, Position() + passo, max_))); }

// ---- TTxSetup ----

QString TTxSetup::semImpressoraTexto() { return QStringLiteral("(Nenhuma impressora instalada)"); }

TTxSetup::TTxSetup(TTxPrint& tx, const TxSetupValues& valores, QWidget* parent)
    : TTxSetup(tx, valores, cups::destinations(), parent) {}

TTxSetup::TTxSetup(TTxPrint& tx, const TxSetupValues& valores, const QList<cups::Destination>& impressoras,
                   QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      tx_(tx),
      valores_(valores),
      impressoras_(impressoras) {
  monta();
}

void TTxSetup::monta() {
  setObjectName(QStringLiteral("TxSetup"));
  setFixedSize(393, 251);
  setWindowTitle(tx_.CaptionSetup);
  // The controls are created in the order the Tab key follows.
  montaTitulo();
  montaImpressoras();
  montaPaginas();
  montaCopias();  // and the preview choice under them
  montaBotoes();
  aplicaCores();
  preencheImpressoras();
  preencheValores();

  connect(Tudo, &QRadioButton::clicked, this, &TTxSetup::SELPAGClick);
  connect(Paginas, &QRadioButton::clicked, this, &TTxSetup::SELPAGClick);
  connect(IMPRESSORAS, &QComboBox::activated, this, [this] { IMPRESSORASChange(); });

  // Centred on the screen.
  if (QScreen* s = QGuiApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());
}

void TTxSetup::montaTitulo() {
  auto* figura = new QLabel(this);
  figura->setPixmap(figuraImpressora());
  figura->setGeometry(10, 8, 32, 32);
  Titulo = new QLabel(QStringLiteral("Configuração da Impressão"), this);
  Titulo->setObjectName(QStringLiteral("Titulo"));
  QFont ft = Titulo->font();
  ft.setBold(true);
  ft.setPixelSize(16);
  Titulo->setFont(ft);
  Titulo->setGeometry(50, 12, 330, 24);
}

void TTxSetup::montaImpressoras() {
  auto* lImp = new QLabel(QStringLiteral("&Local da impressão:"), this);
  lImp->setGeometry(10, 44, 370, 16);
  IMPRESSORAS = new QComboBox(this);
  IMPRESSORAS->setObjectName(QStringLiteral("IMPRESSORAS"));
  IMPRESSORAS->setGeometry(10, 61, 373, 24);
  // Besides the system's printers, a device or file path may be typed: output goes there.
  IMPRESSORAS->setEditable(true);
  IMPRESSORAS->setInsertPolicy(QComboBox::NoInsert);
  lImp->setBuddy(IMPRESSORAS);

  auto* lMod = new QLabel(QStringLiteral("&Modelo da impressora:"), this);
  lMod->setGeometry(10, 89, 370, 16);
  MODELOS = new QComboBox(this);
  MODELOS->setObjectName(QStringLiteral("MODELOS"));
  MODELOS->setGeometry(10, 106, 373, 24);
  lMod->setBuddy(MODELOS);
}

void TTxSetup::montaPaginas() {
  SELPAG = new QGroupBox(QStringLiteral("Intervalo de Páginas"), this);
  SELPAG->setObjectName(QStringLiteral("SELPAG"));
  Tudo = new QRadioButton(QStringLiteral("&Tudo"), SELPAG);
  Tudo->setObjectName(QStringLiteral("Tudo"));
  Tudo->setGeometry(10, 20, 80, 20);
  Paginas = new QRadioButton(QStringLiteral("&Paginas"), SELPAG);
  Paginas->setObjectName(QStringLiteral("Paginas"));
  Paginas->setGeometry(10, 45, 74, 20);

  // "de" and "até" with the first page field over the blanks between them and the last page
  // field after them.
  const QString deAte = QStringLiteral("de                até");
  LDeAte = new QLabel(deAte, SELPAG);
  const QFontMetrics fm(LDeAte->font());
  const int xLabel = 80;
  const int wLabel = fm.horizontalAdvance(deAte);
  LDeAte->setGeometry(xLabel, 47, wLabel + 2, 16);
  const int xIni = xLabel + fm.horizontalAdvance(QStringLiteral("de ")) + 1;
  const int wIni = qMax(
      40, fm.horizontalAdvance(QStringLiteral("de                ")) - fm.horizontalAdvance(QStringLiteral("de ")) - 4);
  PAGINI = new QLineEdit(SELPAG);
  PAGINI->setObjectName(QStringLiteral("PAGINI"));
  PAGINI->setGeometry(xIni, 44, wIni, 22);
  // The copies on the right; the page range takes the rest.
  const int wGrupo = colunaCopias() - 18;
  const int xFim = xLabel + wLabel + 3;
  const int wCampo = qBound(36, wGrupo - xFim - 6, 48);
  PAGFIM = new QLineEdit(SELPAG);
  PAGFIM->setObjectName(QStringLiteral("PAGFIM"));
  PAGFIM->setGeometry(xFim, 44, wCampo, 22);
  SELPAG->setGeometry(10, 138, qMax(wGrupo, xFim + wCampo + 4), 74);
}

int TTxSetup::colunaCopias() const {
  // As wide as their label, on the right.
  return 383 - (QFontMetrics(font()).horizontalAdvance(QStringLiteral("Quantidade de Cópias")) + 6);
}

void TTxSetup::montaCopias() {
  const int xDir = colunaCopias();
  auto* lCop = new QLabel(QStringLiteral("&Quantidade de Cópias"), this);
  lCop->setGeometry(xDir, 142, 383 - xDir, 16);
  COPIAS = new QLineEdit(this);
  COPIAS->setObjectName(QStringLiteral("COPIAS"));
  COPIAS->setGeometry(xDir, 160, 48, 22);
  lCop->setBuddy(COPIAS);
  UpDown1 = new TUpDown(COPIAS, 1, 50, this);
  UpDown1->setObjectName(QStringLiteral("UpDown1"));
  UpDown1->setGeometry(xDir + 48, 160, 16, 22);
  UpDown1->acima->setGeometry(0, 0, 16, 11);
  UpDown1->abaixo->setGeometry(0, 11, 16, 11);

  PREVIEW = new QCheckBox(QStringLiteral("&Visualizar"), this);
  PREVIEW->setObjectName(QStringLiteral("PREVIEW"));
  PREVIEW->setGeometry(xDir, 190, 383 - xDir, 20);
}

void TTxSetup::montaBotoes() {
  OK = new QPushButton(QStringLiteral("&OK"), this);
  OK->setObjectName(QStringLiteral("OK"));
  OK->setGeometry(222, 219, 78, 26);
  OK->setDefault(true);
  CANCELAR = new QPushButton(QStringLiteral("&Cancelar"), this);
  CANCELAR->setObjectName(QStringLiteral("CANCELAR"));
  CANCELAR->setGeometry(305, 219, 78, 26);
  connect(OK, &QPushButton::clicked, this, &TTxSetup::accept);
  connect(CANCELAR, &QPushButton::clicked, this, &TTxSetup::reject);

  for (QLineEdit* e : {PAGINI, PAGFIM, COPIAS}) {
    e->setMaxLength(4);
    e->installEventFilter(this);
  }
  IMPRESSORAS->installEventFilter(this);
}

// Colours of the engine's windows.
void TTxSetup::aplicaCores() {
  QPalette pal = palette();
  if (tx_.CorForm.isValid()) {
    pal.setColor(QPalette::Window, tx_.CorForm);
    pal.setColor(QPalette::Button, tx_.CorForm);
  }
  if (tx_.CorFonte.isValid()) {
    pal.setColor(QPalette::WindowText, tx_.CorFonte);
    pal.setColor(QPalette::ButtonText, tx_.CorFonte);
  }
  setPalette(pal);
  setAutoFillBackground(true);
}

// System printers, the current one selected; before any choice, the default destination.
void TTxSetup::preencheImpressoras() {
  const QString atual = valores_.impressoraSistema;
  if (impressoras_.isEmpty()) {
    IMPRESSORAS->addItem(semImpressoraTexto());
    IMPRESSORAS->setCurrentIndex(0);
  } else {
    int sel = -1;
    for (int i = 0; i < impressoras_.size(); ++i) {
      const cups::Destination& d = impressoras_[i];
      IMPRESSORAS->addItem(d.name);
      if (sel < 0 && !atual.isEmpty() && d.name == atual) sel = i;
    }
    if (sel < 0)
      for (int i = 0; i < impressoras_.size(); ++i)
        if (impressoras_[i].isDefault) sel = i;
    IMPRESSORAS->setCurrentIndex(sel < 0 ? 0 : sel);
  }
  if (valores_.impressoraSistema.startsWith(QLatin1Char('/'))) IMPRESSORAS->setEditText(valores_.impressoraSistema);
}

void TTxSetup::preencheValores() {
  // Models, the custom one fifth.
  MODELOS->addItems({QStringLiteral("Linha Epson 9 e 24 agulhas/Jato/Laser"), QStringLiteral("Rima / Emilia"),
                     QStringLiteral("Linha HP Deskjet/Laser"), QStringLiteral("Gráfico - Compatível com Windows"),
                     tx_.ImpressoraPersonalizada.NomeImpressora});
  MODELOS->setCurrentIndex(static_cast<int>(valores_.modelo));

  const bool tudo = valores_.paginaInicial == 1 && valores_.paginaFinal == 9999;
  Tudo->setChecked(tudo);
  Paginas->setChecked(!tudo);
  PAGINI->setEnabled(!tudo);
  PAGFIM->setEnabled(!tudo);
  PAGINI->setText(QString::number(valores_.paginaInicial));
  PAGFIM->setText(QString::number(valores_.paginaFinal));
  PREVIEW->setChecked(valores_.preview);
  UpDown1->setPosition(valores_.copias);
  // While the preview is up the window can only be confirmed.
  CANCELAR->setVisible(!tx_.PreviewAtivo());
}

QString TTxSetup::PortaDigitada() const {
  const QString t = IMPRESSORAS->currentText().trimmed();
  return t.startsWith(QLatin1Char('/')) ? t : QString();
}

QString TTxSetup::ImpressoraEscolhida() const {
  if (const QString porta = PortaDigitada(); !porta.isEmpty()) return porta;
  const QString t = IMPRESSORAS->currentText();
  for (const cups::Destination& d : impressoras_)
    if (d.name == t) return d.name;
  const int i = IMPRESSORAS->currentIndex();
  if (i < 0 || i >= impressoras_.size() || IMPRESSORAS->itemText(i) != t) return {};
  return impressoras_[i].name;
}

void TTxSetup::IMPRESSORASChange() {
  const QString nome = ImpressoraEscolhida();
  if (nome.isEmpty()) return;
  const int atual = MODELOS->currentIndex();
  const TModelo m = ModeloPelaImpressora(nome, atual < 0 ? valores_.modelo : static_cast<TModelo>(atual));
  MODELOS->setCurrentIndex(static_cast<int>(m));
}

void TTxSetup::SELPAGClick() {
  if (Tudo->isChecked()) {
    PAGINI->setText(QStringLiteral("1"));
    PAGFIM->setText(QStringLiteral("9999"));
    PAGINI->setEnabled(false);
    PAGFIM->setEnabled(false);
  } else {
    PAGINI->setEnabled(true);
    PAGFIM->setEnabled(true);
  }
}

void TTxSetup::PAGINIExit() {
  int v = 0;
  if (numero(PAGINI->text(), v) && v < 1) PAGINI->setText(QStringLiteral("1"));
}

bool TTxSetup::eventFilter(QObject* o, QEvent* e) {
  if (e->type() == QEvent::KeyPress && (o == PAGINI || o == PAGFIM || o == COPIAS)) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->matches(QKeySequence::Paste)) return false;
    switch (k->key()) {
      case Qt::Key_Backspace:
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Escape:
        return false;
      default:
        break;
    }
    const QString t = k->text();
    if (t.isEmpty() && !(k->modifiers() & Qt::ControlModifier)) return false;  // arrows, Home, End...
    if (t.size() == 1 && t[0] >= QLatin1Char('0') && t[0] <= QLatin1Char('9')) return false;
    return true;  // every other key is dropped
  }
  if (e->type() == QEvent::FocusOut) {
    if (o == PAGINI) PAGINIExit();
    if (o == IMPRESSORAS) IMPRESSORASChange();
  }
  return QDialog::eventFilter(o, e);
}

void TTxSetup::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!mostrado_) {
    mostrado_ = true;
    IMPRESSORASChange();
  }
}

TxSetupValues TTxSetup::Valores() const {
  TxSetupValues v = valores_;
  v.impressoraSistema = ImpressoraEscolhida();
  if (MODELOS->currentIndex() >= 0) v.modelo = static_cast<TModelo>(MODELOS->currentIndex());
  if (Tudo->isChecked()) {
    v.paginaInicial = 1;
    v.paginaFinal = 9999;
  } else {
    numero(PAGINI->text(), v.paginaInicial);
    numero(PAGFIM->text(), v.paginaFinal);
  }
  v.preview = PREVIEW->isChecked();
  numero(COPIAS->text(), v.copias);
  return v;
}

void TTxSetup::reject() {
  // Esc cancels only while the cancel button is there.
  if (CANCELAR->isHidden()) return;
  QDialog::reject();
}

void TTxSetup::accept() {
  QApplication::processEvents();
  QDialog::accept();
}

}  // namespace cotavia
