#include "textprint/txprevi.h"

#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/files.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

// Resources of a static library are registered by hand before their first use.
static void registraIcones() { Q_INIT_RESOURCE(icons); }

namespace cotavia {

namespace {

enum class Glifo { Cem, Largura, Full, Primeira, Anterior, Direto, Proxima, Ultima, Setup, Imprimir, Salvar, Abrir };

// The toolbar's pictures, drawn as SVG files of the engine's resources (icons/).
QIcon icone(Glifo g) {
  static const bool registrados = (registraIcones(), true);
  Q_UNUSED(registrados);
  static const char* const nomes[] = {"cem",     "largura", "pagina_inteira", "primeira", "anterior", "direto",
                                      "proxima", "ultima",  "configurar",     "imprimir", "salvar",   "abrir"};
  return QIcon(QStringLiteral(":/textprint/%1.svg").arg(QLatin1String(nomes[static_cast<int>(g)])));
}

QToolButton* botao(QWidget* pai, const char* nome, Glifo g, const QString& dica) {
  auto* b = new QToolButton(pai);
  b->setObjectName(QString::fromLatin1(nome));
  b->setIcon(icone(g));
  b->setIconSize(QSize(22, 22));
  b->setToolTip(dica);
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setFixedSize(30, 30);
  return b;
}

void estadoBotao(QToolButton* b, TStatBut s) {
  b->setEnabled(s != TStatBut::Inativo);
  b->setVisible(s != TStatBut::Invisivel);
}

// The extension of the chosen filter: "Arquivo Texto (*.TXT)" gives ".TXT".
QString extensaoDoFiltro(const QString& filtro) {
  const int i = filtro.lastIndexOf(QLatin1String("*."));
  if (i < 0) return {};
  QString ext = filtro.mid(i + 1);
  const int fim = ext.indexOf(QLatin1Char(')'));
  if (fim >= 0) ext.truncate(fim);
  return ext.trimmed();
}

// The name with its extension (after the last dot of the last path element) replaced.
QString trocaExtensao(const QString& nome, const QString& ext) {
  const int barra = nome.lastIndexOf(QLatin1Char('/'));
  const int ponto = nome.lastIndexOf(QLatin1Char('.'));
  const QString base = ponto > barra ? nome.left(ponto) : nome;
  return base + ext;
}

}  // namespace

void mostraErroTx(const AppError& e) { dialogs().message(userMessage(e)); }

// ---- TTxVisor ----

TTxVisor::TTxVisor(TTxPrevi* previ) : QWidget(), previ_(previ) {
  setObjectName(QStringLiteral("VISOR"));
  setCursor(Qt::PointingHandCursor);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TTxVisor::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QSize fig = previ_->figura_;
  if (fig.isEmpty()) return;
  // The picture is stretched into the rectangle from (10, 10) to (W, H).
  const double w = width() - 10, h = height() - 10;
  const QRectF alvo(10, 10, w - 10, h - 10);
  if (alvo.width() <= 0 || alvo.height() <= 0) return;
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.translate(alvo.topLeft());
  p.scale(alvo.width() / fig.width(), alvo.height() / fig.height());
  p.drawPicture(0, 0, previ_->picture_);
}

void TTxVisor::mousePressEvent(QMouseEvent* e) { previ_->VISORClick(e->button(), e->position().toPoint()); }

// ---- TTxPrevi ----

QString TTxPrevi::FiltroSalvar() {
  return QStringLiteral("Relatório gravado (*.RTX);;Arquivo para Impressão (*.PRN);;Arquivo Texto (*.TXT)");
}

TTxPrevi::TTxPrevi(TTxPrint& tx, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint),
      tx_(tx) {
  setObjectName(QStringLiteral("TxPrevi"));
  setMinimumSize(540, 240);
  zoomInicial_ = tx.OpcoesPreview.PreviewZoom;
  remalina_ = tx.OpcoesPreview.Remalina;

  QPalette pal = palette();
  if (tx.CorForm.isValid()) {
    pal.setColor(QPalette::Window, tx.CorForm);
    pal.setColor(QPalette::Button, tx.CorForm);
  }
  setPalette(pal);
  setAutoFillBackground(true);

  auto* vbox = new QVBoxLayout(this);
  vbox->setContentsMargins(0, 0, 0, 0);
  vbox->setSpacing(0);
  montaBarra();
  vbox->addWidget(PanelH);

  Scroller = new QScrollArea(this);
  Scroller->setObjectName(QStringLiteral("Scroller"));
  Scroller->setWidgetResizable(false);
  Scroller->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Scroller->setBackgroundRole(QPalette::Dark);
  VISOR = new TTxVisor(this);
  Scroller->setWidget(VISOR);
  vbox->addWidget(Scroller, 1);

  // The window covers the screen, maximised.
  if (QScreen* s = QGuiApplication::primaryScreen()) setGeometry(s->availableGeometry());
  setWindowState(windowState() | Qt::WindowMaximized);

  ultima_ = ultimaDoJob();
  figura_ = tx_.TamanhoFigura(true);
  picture_.setBoundingRect(QRect(QPoint(0, 0), figura_));

  // The window sees the keys before its controls.
  qApp->installEventFilter(this);

  // The page question by default.
  pedePagina = [this](QString& texto) {
    bool ok = false;
    texto = QInputDialog::getText(this, QStringLiteral("Acesso rápido"), QStringLiteral("Qual página deseja ver ?"),
                                  QLineEdit::Normal, QString(), &ok);
    return ok;
  };
}

TTxPrevi::~TTxPrevi() { qApp->removeEventFilter(this); }

void TTxPrevi::montaBarra() {
  PanelH = new QWidget(this);
  PanelH->setObjectName(QStringLiteral("PanelH"));
  auto* h = new QHBoxLayout(PanelH);
  h->setContentsMargins(6, 3, 6, 3);
  h->setSpacing(2);

  CEM = botao(PanelH, "CEM", Glifo::Cem, QStringLiteral("Zoom 100%"));
  LARGURA = botao(PanelH, "LARGURA", Glifo::Largura, QStringLiteral("Ajustar na Largura"));
  FULL = botao(PanelH, "FULL", Glifo::Full, QStringLiteral("Ver página inteira"));
  LZoom = new QLabel(QStringLiteral("Zoom:"), PanelH);
  LZoom->setObjectName(QStringLiteral("LZoom"));
  ZoomVisor = new QSpinBox(PanelH);
  ZoomVisor->setObjectName(QStringLiteral("ZoomVisor"));
  ZoomVisor->setRange(20, 400);
  ZoomVisor->setSingleStep(5);
  ZoomVisor->setValue(100);
  ZoomVisor->setToolTip(QStringLiteral("Zomm "));
  ZoomVisor->setFixedWidth(60);
  PRIMEIRA = botao(PanelH, "PRIMEIRA", Glifo::Primeira, QStringLiteral("Primeira página"));
  ANTERIOR = botao(PanelH, "ANTERIOR", Glifo::Anterior, QStringLiteral("Página anterior"));
  DIRETO = botao(PanelH, "DIRETO", Glifo::Direto, QStringLiteral("Acesso direto à Página "));
  PROXIMA = botao(PanelH, "PROXIMA", Glifo::Proxima, QStringLiteral("Próxima página"));
  ULTIMA = botao(PanelH, "ULTIMA", Glifo::Ultima, QStringLiteral("Última página"));
  SETUP = botao(PanelH, "SETUP", Glifo::Setup, QStringLiteral("Configuração"));
  IMPRIMIR = botao(PanelH, "IMPRIMIR", Glifo::Imprimir, QStringLiteral("Imprimir"));
  SALVAR = botao(PanelH, "SALVAR", Glifo::Salvar, QStringLiteral("Salvar relatório"));
  ABRIR = botao(PanelH, "ABRIR", Glifo::Abrir, QStringLiteral("Ler relatório gravado"));
  CANCELAR = new QPushButton(QStringLiteral("&Fechar"), PanelH);
  CANCELAR->setObjectName(QStringLiteral("CANCELAR"));
  CANCELAR->setToolTip(QStringLiteral("Fechar visualização"));
  CANCELAR->setAutoDefault(false);
  CANCELAR->setFocusPolicy(Qt::NoFocus);

  auto sep = [&] { h->addSpacing(10); };
  h->addWidget(CEM);
  h->addWidget(LARGURA);
  h->addWidget(FULL);
  h->addSpacing(6);
  h->addWidget(LZoom);
  h->addWidget(ZoomVisor);
  sep();
  h->addWidget(PRIMEIRA);
  h->addWidget(ANTERIOR);
  h->addWidget(DIRETO);
  h->addWidget(PROXIMA);
  h->addWidget(ULTIMA);
  sep();
  h->addWidget(SETUP);
  h->addWidget(IMPRIMIR);
  h->addWidget(SALVAR);
  h->addWidget(ABRIR);
  sep();
  h->addWidget(CANCELAR);
  h->addStretch(1);

  // The font colour of the engine's windows goes to the zoom label and the close button.
  if (tx_.CorFonte.isValid()) {
    for (QWidget* w : {static_cast<QWidget*>(LZoom), static_cast<QWidget*>(CANCELAR)}) {
      QPalette p = w->palette();
      p.setColor(QPalette::WindowText, tx_.CorFonte);
      p.setColor(QPalette::ButtonText, tx_.CorFonte);
      w->setPalette(p);
    }
  }

  const TPreviewOptions& o = tx_.OpcoesPreview;
  estadoBotao(SETUP, o.BotaoSetup);
  estadoBotao(IMPRIMIR, o.BotaoImprimir);
  estadoBotao(SALVAR, o.BotaoGravar);
  estadoBotao(ABRIR, o.BotaoLer);

  connect(CEM, &QToolButton::clicked, this, &TTxPrevi::CEMClick);
  connect(LARGURA, &QToolButton::clicked, this, &TTxPrevi::LARGURAClick);
  connect(FULL, &QToolButton::clicked, this, &TTxPrevi::FULLClick);
  connect(ZoomVisor, &QSpinBox::valueChanged, this, [this](int v) {
    if (!ajustando_) ajusteInicial_ = false;
    zoom_ = v;
    Repinta();
  });
  connect(PRIMEIRA, &QToolButton::clicked, this, &TTxPrevi::PRIMEIRAClick);
  connect(ANTERIOR, &QToolButton::clicked, this, &TTxPrevi::ANTERIORClick);
  connect(DIRETO, &QToolButton::clicked, this, &TTxPrevi::DIRETOClick);
  connect(PROXIMA, &QToolButton::clicked, this, &TTxPrevi::PROXIMAClick);
  connect(ULTIMA, &QToolButton::clicked, this, &TTxPrevi::ULTIMAClick);
  connect(SETUP, &QToolButton::clicked, this, &TTxPrevi::SETUPClick);
  connect(IMPRIMIR, &QToolButton::clicked, this, &TTxPrevi::IMPRIMIRClick);
  connect(SALVAR, &QToolButton::clicked, this, &TTxPrevi::SALVARClick);
  connect(ABRIR, &QToolButton::clicked, this, &TTxPrevi::ABRIRClick);
  connect(CANCELAR, &QPushButton::clicked, this, &TTxPrevi::reject);
}

int TTxPrevi::ultimaDoJob() const {
  // An empty job shows its one blank page (the job's "last page" of an empty list is 9999).
  if (tx_.Itens().isEmpty()) return 1;
  return qMax(1, tx_.UltimaPagina());
}

void TTxPrevi::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (mostrado_) return;
  mostrado_ = true;
  pagina_ = 1;
  figura_ = tx_.TamanhoFigura(true);
  Mostrar();
  if (layout()) layout()->activate();
  aplicaZoomInicial();
}

void TTxPrevi::aplicaZoomInicial() {
  const int z = zoomInicial_;
  ajustando_ = true;
  if (z == 0)
    FULLClick();
  else if (z == -1)
    LARGURAClick();
  else if (z < -2 || z > 400 || z == -2)
    DefineZoom(100);
  else
    DefineZoom(z);
  ajustando_ = false;
  ajusteInicial_ = z == 0 || z == -1;
}

void TTxPrevi::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  if (!ajusteInicial_) return;
  if (layout()) layout()->activate();
  aplicaZoomInicial();
}

void TTxPrevi::Mostrar() {
  picture_ = QPicture();
  tx_.DesenhaPagina(pagina_, picture_, true);
  picture_.setBoundingRect(QRect(QPoint(0, 0), figura_));
  Repinta();
  setWindowTitle(tx_.OpcoesPreview.CaptionPreview + QStringLiteral(" - Página ") + QString::number(pagina_) +
                 QLatin1Char('/') + QString::number(ultima_));
}

void TTxPrevi::Repinta() {
  const int w = static_cast<int>(std::lround(figura_.width() * zoom_ / 100.0));
  const int h = static_cast<int>(std::lround(figura_.height() * zoom_ / 100.0));
  VISOR->resize(w + 10, h + 10);
  VISOR->update();
}

void TTxPrevi::DefineZoom(double z) {
  const int v = qBound(ZoomVisor->minimum(), static_cast<int>(z), ZoomVisor->maximum());
  if (ZoomVisor->value() != v) {
    ZoomVisor->setValue(v);  // sets the zoom and repaints
  } else {
    zoom_ = v;
    Repinta();
  }
}

void TTxPrevi::CEMClick() {
  ajusteInicial_ = false;
  DefineZoom(100);
}

void TTxPrevi::LARGURAClick() {
  if (!ajustando_) ajusteInicial_ = false;
  if (figura_.width() <= 0) return;
  DefineZoom(std::trunc((Scroller->width() - 30) * 100.0 / figura_.width()));
}

void TTxPrevi::FULLClick() {
  if (!ajustando_) ajusteInicial_ = false;
  if (figura_.isEmpty()) return;
  // The client area without scroll bars: the whole page needs none.
  const QSize c = Scroller->maximumViewportSize();
  const double zl = (c.width() - 10) * 100.0 / figura_.width();
  const double za = (c.height() - 10) * 100.0 / figura_.height();
  DefineZoom(std::trunc(qMin(zl, za)));
}

void TTxPrevi::VISORClick(Qt::MouseButton botao, QPoint pos) {
  ajusteInicial_ = false;
  if (botao == Qt::LeftButton) {
    const int z = static_cast<int>(zoom_) + 40;
    DefineZoom(z <= ZoomVisor->maximum() ? z : ZoomVisor->maximum());
  } else if (botao == Qt::RightButton) {
    const int z = static_cast<int>(zoom_) - 40;
    DefineZoom(z >= ZoomVisor->minimum() ? z : ZoomVisor->minimum());
  } else {
    return;
  }
  QScrollBar* hb = Scroller->horizontalScrollBar();
  QScrollBar* vb = Scroller->verticalScrollBar();
  if (hb->isVisibleTo(Scroller) && hb->maximum() > 0) {
    const int w = qMin(Scroller->viewport()->width(), VISOR->width());
    hb->setValue(pos.x() >= w / 2 ? pos.x() - w / 2 : 0);
  }
  if (vb->isVisibleTo(Scroller) && vb->maximum() > 0) {
    const int w = qMin(Scroller->viewport()->height(), VISOR->height());
    vb->setValue(pos.y() >= w / 2 ? pos.y() - w / 2 : 0);
  }
}

void TTxPrevi::irPara(int pagina) {
  if (pagina == pagina_) return;
  pagina_ = pagina;
  Mostrar();
}

void TTxPrevi::PRIMEIRAClick() { irPara(1); }
void TTxPrevi::ANTERIORClick() {
  if (pagina_ > 1) irPara(pagina_ - 1);
}
void TTxPrevi::PROXIMAClick() {
  if (pagina_ < ultima_) irPara(pagina_ + 1);
}
void TTxPrevi::ULTIMAClick() { irPara(ultima_); }

void TTxPrevi::DIRETOClick() {
  QString texto;
  if (!pedePagina || !pedePagina(texto)) return;  // cancelled: nothing to do
  bool ok = false;
  const int n = texto.trimmed().toInt(&ok);
  // Whatever is not a page of the printout (a text, 0, a negative number, past the last page)
  // gets the same answer.
  if (!ok || n < 1 || n > ultima_) {
    dialogs().message(QStringLiteral("Página inválida...\rInforme um número de página de 1 a %1.").arg(ultima_));
    return;
  }
  pagina_ = n;
  Mostrar();
}

bool TTxPrevi::ativo(const QAbstractButton* b) { return b->isEnabled() && !b->isHidden(); }

void TTxPrevi::SETUPClick() {
  if (!ativo(SETUP)) return;
  try {
    tx_.Setup();
  } catch (const AppError& e) {
    mostraErroTx(e);  // the job stays as it was
  }
  // The model may have changed, and the job been placed again for it: its pages anew.
  ultima_ = ultimaDoJob();
  figura_ = tx_.TamanhoFigura(true);
  pagina_ = qBound(1, pagina_, ultima_);
  Mostrar();
}

void TTxPrevi::IMPRIMIRClick() {
  if (!ativo(IMPRIMIR)) return;
  try {
    tx_.Imprimir();
  } catch (const AppError& e) {
    mostraErroTx(e);
  }
}

void TTxPrevi::Salva(const QString& arquivo, const QString& filtro) {
  const QString ext = extensaoDoFiltro(filtro).toUpper();
  const QString nome = trocaExtensao(arquivo, ext);
  try {
    if (ext == QLatin1String(".RTX"))
      tx_.GravarRelatorio(nome);
    else if (ext == QLatin1String(".PRN"))
      tx_.GravarImpressao(nome);
    else if (ext == QLatin1String(".TXT"))
      tx_.GravarTexto(nome);
  } catch (const AppError& e) {
    mostraErroTx(e);
  }
}

// The folder the choosers start in: the one the engine was given, else the working folder (never
// the root, which an empty folder would give).
static QString pastaInicial(const TTxPrint& tx) {
  return tx.PastaArquivos.isEmpty() ? QDir::currentPath() : tx.PastaArquivos;
}

void TTxPrevi::SALVARClick() {
  if (!ativo(SALVAR)) return;
  // The name offered is the job's title, in the program's folder.
  QString filtro;
  const QString arquivo =
      dialogs().saveFileName(QStringLiteral("Salvar relatório como..."),
                             joinPath(pastaInicial(tx_), fromCp1252(tx_.TitulodoRelatorio)), FiltroSalvar(), &filtro);
  if (arquivo.isEmpty()) return;
  Salva(arquivo, filtro);
}

void TTxPrevi::ABRIRClick() {
  if (!ativo(ABRIR)) return;
  const QString arquivo = dialogs().openFileName(QStringLiteral("Selecionar relatório..."), pastaInicial(tx_),
                                                 QStringLiteral("Relatório gravado (*.RTX)"));
  if (arquivo.isEmpty()) return;
  try {
    tx_.LerRelatorio(arquivo);
  } catch (const AppError& e) {
    mostraErroTx(e);
  }
  ultima_ = ultimaDoJob();
  figura_ = tx_.TamanhoFigura(true);
  pagina_ = 1;
  Mostrar();
}

bool TTxPrevi::eventFilter(QObject* o, QEvent* e) {
  if (e->type() == QEvent::KeyPress && o->isWidgetType() && static_cast<QWidget*>(o)->window() == this)
    return teclas(static_cast<QKeyEvent*>(e));
  return QDialog::eventFilter(o, e);
}

bool TTxPrevi::teclas(QKeyEvent* k) {
  if (k->key() == Qt::Key_Plus || k->key() == Qt::Key_Minus) ajusteInicial_ = false;
  const Qt::KeyboardModifiers m = k->modifiers();
  const bool ctrl = m & Qt::ControlModifier;
  const int passo = (m & Qt::ShiftModifier) ? 100 : 20;
  QScrollBar* hb = Scroller->horizontalScrollBar();
  QScrollBar* vb = Scroller->verticalScrollBar();
  if (ctrl) {
    switch (k->key()) {
      case Qt::Key_S:
        SETUPClick();
        return true;
      case Qt::Key_P:
        IMPRIMIRClick();
        return true;
      case Qt::Key_G:
        SALVARClick();
        return true;
      case Qt::Key_L:
        ABRIRClick();
        return true;
      case Qt::Key_N:
        DIRETOClick();
        return true;
      default:
        return false;
    }
  }
  switch (k->key()) {
    case Qt::Key_Left:
      hb->setValue(hb->value() - passo);
      return true;
    case Qt::Key_Right:
      hb->setValue(hb->value() + passo);
      return true;
    case Qt::Key_Up:
      vb->setValue(vb->value() - passo);
      return true;
    case Qt::Key_Down:
      vb->setValue(vb->value() + passo);
      return true;
    case Qt::Key_PageUp:
      ANTERIORClick();
      return true;
    case Qt::Key_PageDown:
      PROXIMAClick();
      return true;
    case Qt::Key_Home:
      PRIMEIRAClick();
      return true;
    case Qt::Key_End:
      ULTIMAClick();
      return true;
    case Qt::Key_Escape:
      reject();
      return true;
    case Qt::Key_Plus:
      if (!(m & Qt::KeypadModifier)) return false;
      DefineZoom(qMin<double>(zoom_ + 5, ZoomVisor->maximum()));
      return true;
    case Qt::Key_Minus:
      if (!(m & Qt::KeypadModifier)) return false;
      DefineZoom(qMax<double>(zoom_ - 5, ZoomVisor->minimum()));
      return true;
    default:
      return false;
  }
}

}  // namespace cotavia
