#include "app/screens/editor.h"

#include "app/core/history_report.h"
#include "app/core/item_entry.h"
#include "app/core/price_export.h"
#include "app/core/price_list.h"
#include "app/core/price_memory.h"
#include "app/core/save.h"
#include "app/core/supplier.h"
#include "app/screens/item_grid.h"
#include "app/screens/pictures.h"
#include "app/screens/price_review.h"
#include "app/screens/print_dispatch.h"
#include "app/screens/screen_style.h"
#include "controls/numedit.h"
#include "platform/amounts.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/files.h"
#include "report/windows/rp_preview.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStorageInfo>

#include <memory>

namespace cotavia {

namespace {

constexpr int kWidth = 841;
constexpr int kHeight = 641;
const QRect kGridRect(8, 186, 825, 374);

QString chooseFolder(const QString& start) {
  return dialogs().folderName(QStringLiteral("Gravar o arquivo em"), start);
}

QStringList defaultRemovableMedia() {
  QStringList found;
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
    const QString root = v.rootPath();
    if (!v.isValid() || !v.isReady()) continue;
    if (root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/run/media/"))) found << root;
  }
  found.sort();
  return found;
}

QLabel* label(const QString& text, const QFont& font, QWidget* parent, const QRect& r,
              Qt::Alignment a = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* l = new QLabel(text, parent);
  l->setFont(font);
  l->setGeometry(r);
  l->setAlignment(a);
  return l;
}

// A borderless one-line text field. Read-only fields show through to the picture behind them
// and take no focus: Tab passes them by, and their text stays shown from its start.
QLineEdit* field(const char* name, QWidget* parent, const QRect& r, const QFont& font, bool readOnly,
                 const QColor& color = Qt::black) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setGeometry(r);
  e->setFont(font);
  e->setFrame(false);
  e->setReadOnly(readOnly);
  if (readOnly) e->setFocusPolicy(Qt::NoFocus);
  QPalette p = e->palette();
  p.setColor(QPalette::Text, color);
  if (readOnly) p.setColor(QPalette::Base, Qt::transparent);
  e->setPalette(p);
  return e;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent, const QRect& r) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setFont(sansFont(13, true));
  b->setGeometry(r);
  b->setAutoDefault(false);
  b->setDefault(false);
  return b;
}

TNumEdit* numField(const char* name, QWidget* parent, const QRect& r, int decimals, bool readOnly, bool bold) {
  auto* n = new TNumEdit(parent);
  n->setObjectName(QString::fromLatin1(name));
  n->setGeometry(r);
  n->setFont(sansFont(14, bold));
  n->setDecimals(decimals);
  n->setReadOnly(readOnly);
  if (readOnly) {
    n->setFocusPolicy(Qt::NoFocus);  // always shows the formatted amount
    QPalette p = n->palette();
    p.setColor(QPalette::Base, QColor(240, 240, 240));
    n->setPalette(p);
  }
  return n;
}

void setShownText(QLineEdit* e, const QByteArray& bytes) {
  e->setText(fromCp1252(bytes));
  e->setCursorPosition(0);  // long texts show their beginning
  // A read-only text wider than its field is read whole on hover.
  if (e->isReadOnly()) e->setToolTip(fromCp1252(trimRight(bytes)));
}

QSettings editorSettings() { return QSettings(QStringLiteral("Cotavia"), QStringLiteral("cotavia")); }

}  // namespace

std::function<QStringList()> TTCotavia2::removableMedia = defaultRemovableMedia;

void DriveComboBox::showPopup() {
  emit aboutToShowPopup();
  QComboBox::showPopup();
}

TTCotavia2::TTCotavia2(const ProposalRef& ref, QWidget* parent) : QDialog(parent), ref_(ref) {
  setObjectName(QStringLiteral("TTCotavia2"));
  setWindowTitle(QStringLiteral("Pravel® - Gestão Municipal Tessaro®"));
  // The window opens at its design size and may be resized or maximised; the grid takes the room.
  setMinimumSize(kWidth, kHeight);
  resize(kWidth, kHeight);
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
  setSizeGripEnabled(true);
  setModal(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  if (QScreen* s = screen()) move(s->availableGeometry().topLeft());

  buildHeader();
  buildGrid();
  buildItemPanel();
  buildButtons();
  buildExportPanel();
  setTabOrders();
  anchorToEdges();
  restoreWindowSize();

  // The form sees every key first: Enter moves on to the next field.
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

TTCotavia2::~TTCotavia2() = default;

void TTCotavia2::anchor(QWidget* w, double fx, double fy, double fw, double fh) {
  anchors_.append(Anchor{w, w->geometry(), fx, fy, fw, fh});
}

void TTCotavia2::anchorToEdges() {
  // Header texts widen; the export panel keeps to the upper right; the grid (and the item panel
  // over it) takes the new room; the buttons keep to the lower left and the grand total to the
  // lower right.
  for (QLineEdit* e :
       {Edit_Orgao, Edit_Endereco, Edit_Fornecedor, Edit_For_Endereco, Edit_For_Cidade, Edit_Modalidade, Edit_Objeto})
    anchor(e, 0, 0, 1, 0);
  anchor(Edit_Entrega, 0, 0, 0.5, 0);
  anchor(EditAbertura, 0.5, 0, 0.5, 0);
  anchor(Panel_Exporta, 1, 0, 0, 0);
  anchor(StringGrid1, 0, 0, 1, 1);
  anchor(Panel_Item, 0, 0, 1, 1);
  anchor(Edit_Nome, 0, 0, 1, 0);
  for (QWidget* w : bottomLeft_) anchor(w, 0, 1, 0, 0);
  for (QWidget* w : bottomRight_) anchor(w, 1, 1, 0, 0);
  connect(StringGrid1->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
    // The description's width as the user sets it, counted at the design size.
    if (!placing_ && column == ColDescription) descriptionWidth_ = size - (width() - kWidth);
  });
}

void TTCotavia2::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  const int dw = width() - kWidth, dh = height() - kHeight;
  placing_ = true;
  for (const Anchor& a : anchors_) {
    const QRect& b = a.base;
    a.widget->setGeometry(b.x() + int(a.fx * dw), b.y() + int(a.fy * dh), b.width() + int(a.fw * dw),
                          b.height() + int(a.fh * dh));
  }
  // The description column takes the width gained first.
  if (descriptionWidth_ > 0) StringGrid1->setColumnWidth(ColDescription, std::max(descriptionWidth_ + dw, 20));
  placing_ = false;
}

void TTCotavia2::restoreWindowSize() {
  const QSettings s = editorSettings();
  const QSize size = s.value(QStringLiteral("editor/size")).toSize();
  if (size.isValid()) resize(size.expandedTo(minimumSize()));
  if (s.value(QStringLiteral("editor/maximized")).toBool()) setWindowState(windowState() | Qt::WindowMaximized);
}

void TTCotavia2::restoreColumnWidths() {
  StringGrid1->setColumns();
  descriptionWidth_ = ItemGridModel::columnWidth(ColDescription);
  const QVariantList widths = editorSettings().value(QStringLiteral("editor/columns")).toList();
  if (widths.size() == GridColumnCount - 1) {  // the last column takes what is left
    placing_ = true;
    for (int c = 0; c < GridColumnCount - 1; ++c) {
      const int w = std::clamp(widths[c].toInt(), 10, 2000);
      if (c == ColDescription)
        descriptionWidth_ = w;
      else
        StringGrid1->setColumnWidth(c, w);
    }
    placing_ = false;
  }
  StringGrid1->setColumnWidth(ColDescription, std::max(descriptionWidth_ + width() - kWidth, 20));
}

void TTCotavia2::saveWindowSize() {
  QSettings s = editorSettings();
  const bool maximized = isMaximized();
  s.setValue(QStringLiteral("editor/maximized"), maximized);
  if (!maximized) s.setValue(QStringLiteral("editor/size"), size());
  QVariantList widths;
  for (int c = 0; c < GridColumnCount - 1; ++c)
    widths << (c == ColDescription ? descriptionWidth_ : StringGrid1->columnWidth(c));
  s.setValue(QStringLiteral("editor/columns"), widths);
}

void TTCotavia2::done(int r) {
  if (activated_) saveWindowSize();
  QDialog::done(r);
}

void TTCotavia2::buildHeader() {
  const QFont caption = sansFont(13, true);
  label(QStringLiteral("Licitante"), caption, this, QRect(8, 5, 80, 22));
  Edit_Orgao = field("Edit_Orgao", this, QRect(90, 4, 550, 24), sansFont(16), true, QColor(200, 0, 0));
  Edit_Endereco = field("Edit_Endereco", this, QRect(90, 28, 550, 18), sansFont(13, false, true), true);
  label(QStringLiteral("Fornecedor"), caption, this, QRect(8, 49, 80, 22));
  Edit_Fornecedor = field("Edit_Fornecedor", this, QRect(90, 48, 550, 22), sansFont(16), false, QColor(0, 0, 192));
  label(QStringLiteral("Endereço"), caption, this, QRect(8, 73, 80, 22));
  Edit_For_Endereco = field("Edit_For_Endereco", this, QRect(90, 72, 550, 22), sansFont(16), false, QColor(0, 0, 192));
  label(QStringLiteral("Cidade"), caption, this, QRect(8, 97, 80, 22));
  Edit_For_Cidade = field("Edit_For_Cidade", this, QRect(90, 96, 550, 22), sansFont(16), false, QColor(0, 0, 192));
  Edit_Modalidade = field("Edit_Modalidade", this, QRect(8, 123, 825, 19), sansFont(13), true);
  Edit_Objeto = field("Edit_Objeto", this, QRect(8, 143, 825, 19), sansFont(13), true);
  Edit_Entrega = field("Edit_Entrega", this, QRect(8, 163, 410, 19), sansFont(13), true);
  EditAbertura = field("EditAbertura", this, QRect(423, 163, 410, 19), sansFont(13), true);
}

void TTCotavia2::buildGrid() {
  model = new ItemGridModel(this);
  StringGrid1 = new ItemGridView(this);
  StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
  StringGrid1->setModel(model);
  StringGrid1->setGeometry(kGridRect);
  connect(StringGrid1, &ItemGridView::enterPressed, this, [this] { StringGrid1Enter(); });
  connect(StringGrid1, &QAbstractItemView::doubleClicked, this, [this] { StringGrid1Enter(); });
}

void TTCotavia2::buildItemPanel() {
  auto* frame = new QFrame(this);
  Panel_Item = frame;
  Panel_Item->setObjectName(QStringLiteral("Panel_Item"));
  frame->setFrameShape(QFrame::Panel);
  frame->setFrameShadow(QFrame::Raised);
  frame->setLineWidth(2);
  frame->setGeometry(kGridRect);
  frame->setAutoFillBackground(true);
  QPalette pp = frame->palette();
  pp.setColor(QPalette::Window, QColor(236, 233, 216));
  frame->setPalette(pp);

  const QFont caption = sansFont(13, true);
  const QFont text = sansFont(14);
  label(QStringLiteral("Item:"), caption, frame, QRect(16, 18, 40, 24));
  Edit_Item = field("Edit_Item", frame, QRect(60, 18, 60, 24), text, true);
  label(QStringLiteral("Código:"), caption, frame, QRect(140, 18, 60, 24));
  Edit_Codigo = field("Edit_Codigo", frame, QRect(202, 18, 90, 24), text, true);
  label(QStringLiteral("Descrição:"), caption, frame, QRect(16, 52, 80, 24));
  Edit_Nome = field("Edit_Nome", frame, QRect(100, 52, 710, 24), text, true);
  label(QStringLiteral("Marca:"), caption, frame, QRect(16, 86, 80, 24));
  Edit_Marca = new QLineEdit(frame);
  Edit_Marca->setObjectName(QStringLiteral("Edit_Marca"));
  Edit_Marca->setGeometry(100, 86, 300, 26);
  Edit_Marca->setFont(text);
  Edit_Marca->setMaxLength(kBrandWidth);  // what the proposal file keeps

  const int top = 128, fy = 148, fh = 28;
  label(QStringLiteral("Quantidade"), caption, frame, QRect(16, top, 140, 18), Qt::AlignRight | Qt::AlignVCenter);
  NumEdit_Quant = numField("NumEdit_Quant", frame, QRect(16, fy, 140, fh), 4, true, false);
  label(QStringLiteral("UN"), caption, frame, QRect(164, top, 50, 18));
  Edit_Unidade = field("Edit_Unidade", frame, QRect(164, fy, 50, fh), text, true);
  label(QStringLiteral("Pr. Unitário"), caption, frame, QRect(222, top, 130, 18), Qt::AlignRight | Qt::AlignVCenter);
  NumEdit_PrUnit = numField("NumEdit_PrUnit", frame, QRect(222, fy, 130, fh), 4, false, false);
  label(QStringLiteral("Desconto"), caption, frame, QRect(360, top, 120, 18), Qt::AlignRight | Qt::AlignVCenter);
  NumEdit_Desconto = numField("NumEdit_Desconto", frame, QRect(360, fy, 120, fh), 2, false, false);
  label(QStringLiteral("Acréscimo"), caption, frame, QRect(488, top, 120, 18), Qt::AlignRight | Qt::AlignVCenter);
  NumEdit_Acrescimo = numField("NumEdit_Acrescimo", frame, QRect(488, fy, 120, fh), 2, false, false);
  label(QStringLiteral("TOTAL"), caption, frame, QRect(616, top, 194, 18), Qt::AlignRight | Qt::AlignVCenter);
  NumEdit_Total = numField("NumEdit_Total", frame, QRect(616, fy, 194, fh), 2, true, true);

  bbtn_ok = button("bbtn_ok", QStringLiteral("OK"), frame, QRect(580, 196, 110, 32));
  bbtn_cancelar = button("bbtn_cancelar", QStringLiteral("Cancelar"), frame, QRect(700, 196, 110, 32));
  Label_UltimoPreco = label(QString(), sansFont(11, true), frame, QRect(16, 196, 556, 36));
  Label_UltimoPreco->setObjectName(QStringLiteral("Label_UltimoPreco"));
  Label_UltimoPreco->setWordWrap(true);  // a long municipality's name goes on in a second line
  Label_UltimoPreco->setStyleSheet(QStringLiteral("color: rgb(0,0,160);"));
  auto* hint = label(QStringLiteral("ENTER passa ao campo seguinte e, sobre um botão, pressiona-o. ESC cancela. "
                                    "F3 usa o último preço."),
                     sansFont(12), frame, QRect(16, 240, 794, 20));
  hint->setStyleSheet(QStringLiteral("color: rgb(80,80,80);"));
  anchor(hint, 0, 0, 1, 0);
  frame->hide();

  // The total follows every change of the amounts, however the field is then left.
  for (TNumEdit* n : {NumEdit_PrUnit, NumEdit_Desconto, NumEdit_Acrescimo})
    connect(n, &QLineEdit::textChanged, this, [this] {
      if (Panel_Item->isVisible()) recomputeItemTotal();
    });
  connect(bbtn_ok, &QPushButton::clicked, this, [this] { bbtn_okClick(); });
  connect(bbtn_cancelar, &QPushButton::clicked, this, [this] { bbtn_cancelarClick(); });
}

void TTCotavia2::buildButtons() {
  bbtn_gravar = button("bbtn_gravar", QStringLiteral("Gravar"), this, QRect(166, 570, 88, 30));
  bbtn_importar = button("bbtn_importar", QStringLiteral("Imprimir"), this, QRect(260, 570, 88, 30));
  bbtn_voltar = button("bbtn_voltar", QStringLiteral("Voltar"), this, QRect(354, 570, 88, 30));
  bbtn_importarPrecos =
      button("bbtn_importarPrecos", QStringLiteral("Importar preços..."), this, QRect(448, 570, 134, 30));
  bbtn_exportarPrecos =
      button("bbtn_exportarPrecos", QStringLiteral("Exportar preços..."), this, QRect(448, 604, 134, 30));
  QLabel* printLabel = label(QStringLiteral("Impressão:"), sansFont(13, true), this, QRect(166, 606, 88, 24));
  bbtn_precosAnteriores =
      button("bbtn_precosAnteriores", QStringLiteral("Preços anteriores..."), this, QRect(588, 604, 125, 30));
  bbtn_imprimirHistorico =
      button("bbtn_imprimirHistorico", QStringLiteral("Imprimir histórico"), this, QRect(716, 604, 117, 30));
  ComboBox_TipoImpr = new QComboBox(this);
  ComboBox_TipoImpr->setObjectName(QStringLiteral("ComboBox_TipoImpr"));
  ComboBox_TipoImpr->setEditable(false);  // a choice from the list, never a typed text
  ComboBox_TipoImpr->addItems({QStringLiteral("0 - Texto (matricial)"), QStringLiteral("1 - Gráfico")});
  ComboBox_TipoImpr->setFont(sansFont(13));
  ComboBox_TipoImpr->setGeometry(260, 606, 182, 24);

  QLabel* totalLabel = label(QStringLiteral("TOTAL"), sansFont(16, true), this, QRect(588, 570, 58, 30),
                             Qt::AlignRight | Qt::AlignVCenter);
  NumEdit_TotalGeral = numField("NumEdit_TotalGeral", this, QRect(652, 570, 181, 30), 2, true, true);
  NumEdit_TotalGeral->setFont(sansFont(16, true));
  QPalette tp = NumEdit_TotalGeral->palette();
  tp.setColor(QPalette::Base, Qt::white);
  NumEdit_TotalGeral->setPalette(tp);
  bottomLeft_ = {bbtn_gravar,         bbtn_importar, bbtn_voltar,      bbtn_importarPrecos,
                 bbtn_exportarPrecos, printLabel,    ComboBox_TipoImpr};
  bottomRight_ = {totalLabel, NumEdit_TotalGeral, bbtn_precosAnteriores, bbtn_imprimirHistorico};

  connect(bbtn_gravar, &QPushButton::clicked, this, [this] { bbtn_gravarClick(); });
  connect(bbtn_importar, &QPushButton::clicked, this, [this] { bbtn_importarClick(); });
  connect(bbtn_voltar, &QPushButton::clicked, this, [this] { bbtn_voltarClick(); });
  connect(bbtn_importarPrecos, &QPushButton::clicked, this, [this] { bbtn_importarPrecosClick(); });
  connect(bbtn_exportarPrecos, &QPushButton::clicked, this, [this] { bbtn_exportarPrecosClick(); });
  connect(bbtn_precosAnteriores, &QPushButton::clicked, this, [this] { bbtn_precosAnterioresClick(); });
  connect(bbtn_imprimirHistorico, &QPushButton::clicked, this, [this] { bbtn_imprimirHistoricoClick(); });
}

void TTCotavia2::buildExportPanel() {
  Panel_Exporta = new QWidget(this);
  Panel_Exporta->setObjectName(QStringLiteral("Panel_Exporta"));
  Panel_Exporta->setGeometry(646, 2, 190, 114);
  Panel_Exporta->setAutoFillBackground(true);
  QPalette rp = Panel_Exporta->palette();
  rp.setColor(QPalette::Window, QColor(192, 0, 0));
  Panel_Exporta->setPalette(rp);
  bbtn_exportar =
      button("bbtn_exportar", QStringLiteral("Gerar Arquivo de Proposta"), Panel_Exporta, QRect(5, 5, 180, 28));
  bbtn_exportar->setFont(sansFont(12, true));
  auto* l = label(QStringLiteral("Gravar o arquivo em:"), sansFont(12, true), Panel_Exporta, QRect(6, 35, 178, 18));
  l->setStyleSheet(QStringLiteral("color: white;"));
  DriveComboBox1 = new DriveComboBox(Panel_Exporta);
  DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
  DriveComboBox1->setGeometry(5, 55, 180, 26);
  DriveComboBox1->setFont(sansFont(12));
  DirectoryListBox1 = new QLineEdit(Panel_Exporta);
  DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
  DirectoryListBox1->setGeometry(5, 84, 148, 25);
  DirectoryListBox1->setFont(sansFont(11));
  DirectoryListBox1->setReadOnly(true);
  DirectoryListBox1->setFocusPolicy(Qt::NoFocus);
  bbtn_pasta = button("bbtn_pasta", QStringLiteral("..."), Panel_Exporta, QRect(155, 84, 30, 25));
  bbtn_pasta->setToolTip(QStringLiteral("Escolher outra pasta"));
  Panel_Exporta->hide();

  connect(bbtn_exportar, &QPushButton::clicked, this, [this] { bbtn_exportarClick(); });
  connect(DriveComboBox1, &DriveComboBox::aboutToShowPopup, this, [this] { fillPlaces(); });
  connect(DriveComboBox1, &QComboBox::activated, this, [this](int i) { placeChosen(i); });
  connect(bbtn_pasta, &QPushButton::clicked, this, [this] {
    const QString chosen = chooseFolder(exportFolder_);
    if (!chosen.isEmpty()) setExportFolder(chosen);
  });
}

void TTCotavia2::setTabOrders() {
  // As the screen reads, top to bottom and left to right: the export panel at the top right
  // (once shown), the supplier's fields, the grid (or the item panel over it), the button rows.
  // Read-only fields take no focus.
  const QList<QWidget*> order = {bbtn_exportar,         DriveComboBox1,    bbtn_pasta,          Edit_Fornecedor,
                                 Edit_For_Endereco,     Edit_For_Cidade,   StringGrid1,         Edit_Marca,
                                 NumEdit_PrUnit,        NumEdit_Desconto,  NumEdit_Acrescimo,   bbtn_ok,
                                 bbtn_cancelar,         bbtn_gravar,       bbtn_importar,       bbtn_voltar,
                                 bbtn_importarPrecos,   ComboBox_TipoImpr, bbtn_exportarPrecos, bbtn_precosAnteriores,
                                 bbtn_imprimirHistorico};
  for (int i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void TTCotavia2::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!activated_) {
    activated_ = true;
    FormActivate();
  }
}

void TTCotavia2::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  const QImage bg = picture(QStringLiteral("editor_background"));
  if (!bg.isNull()) p.drawImage(rect(), bg);
  const QImage logo = picture(QStringLiteral("editor_logo"));
  if (!logo.isNull()) p.drawImage(QPoint(6, height() - logo.height() - 6), logo);
}

void TTCotavia2::FormActivate() {
  restoreColumnWidths();
  setExportFolder(ref_.folder);
  if (!loadIntoScreen()) return;
  TotalGeral();
  ComboBox_TipoImpr->setCurrentIndex(1);
  StringGrid1->selectRow0(0);
  if (Edit_Fornecedor->text().isEmpty())
    Edit_Fornecedor->setFocus();
  else
    StringGrid1->setFocus();
}

bool TTCotavia2::loadIntoScreen() {
  try {
    finishInterruptedSave(ref_.folder, ref_.inputFileName);  // before reading what such a save was writing
  } catch (const AppError& e) {
    dialogs().error(userMessage(e));
  }
  // Taken before reading: a save by another window or command from here on is noticed by "Gravar".
  filesStamp_ = savedFilesStamp(ref_);
  try {
    if (supplierDataExists(ref_.folder)) {
      const SupplierData s = readSupplierData(ref_.folder);
      setShownText(Edit_Fornecedor, s.name);
      setShownText(Edit_For_Endereco, s.address);
      setShownText(Edit_For_Cidade, s.city);
    }
  } catch (const AppError& e) {
    dialogs().error(userMessage(e));
  }

  // The input file copied in again after the last save: the supplier chooses which to open.
  QString opened = ref_.inputFileName;
  if (inputDiffersFromSaved(ref_)) {
    switch (dialogs().ask(inputDiffersQuestion(ref_))) {
      case Dialogs::Answer::Yes:
        opened = responseFileName(ref_.identity, ref_.inputFileName);
        break;
      case Dialogs::Answer::No:
        break;
      case Dialogs::Answer::Cancel:
        QMetaObject::invokeMethod(
            this, [this] { QDialog::reject(); }, Qt::QueuedConnection);
        return false;
    }
  }
  bool loaded = true;
  QString failure;
  try {
    loadProposal(joinPath(ref_.folder, opened), proposal_);
  } catch (const AppError& e) {
    loaded = false;
    failure = userMessage(e);
  }
  loadFailed_ = !loaded;
  QLineEdit* headers[HeaderCount] = {Edit_Orgao,  Edit_Endereco, Edit_Modalidade,
                                     Edit_Objeto, Edit_Entrega,  EditAbertura};
  for (int i = 0; i < HeaderCount; ++i) setShownText(headers[i], proposal_.header[i]);
  model->setRows(proposal_.rows);
  proposal_.rows.clear();  // the grid holds the rows from here on
  saved_ = state();
  if (!loaded) {
    // What was read stays on screen; no total and no focus, as the file needs fixing first.
    dialogs().error(failure);
    return false;
  }
  return true;
}

bool TTCotavia2::eventFilter(QObject* obj, QEvent* e) {
  if (e->type() != QEvent::KeyPress) return QDialog::eventFilter(obj, e);
  auto* k = static_cast<QKeyEvent*>(e);
  if (k->key() != Qt::Key_Return && k->key() != Qt::Key_Enter) return QDialog::eventFilter(obj, e);
  QWidget* focused = QApplication::focusWidget();
  // Only the widget the key was sent to acts (a key passed on to a parent comes here again).
  if (!focused || obj != focused || !isAncestorOf(focused)) return QDialog::eventFilter(obj, e);
  if (auto* b = qobject_cast<QAbstractButton*>(focused)) {
    b->click();
    return true;
  }
  focusNextPrevChild(true);
  if (focused == StringGrid1) return false;  // the grid's own Enter opens the item panel
  if (focused == NumEdit_Quant || focused == NumEdit_PrUnit || focused == NumEdit_Desconto ||
      focused == NumEdit_Acrescimo || focused == NumEdit_Total)
    recomputeItemTotal();
  return true;
}

void TTCotavia2::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    // Escape leaves the item panel as Cancelar does; it never closes the editor.
    if (Panel_Item->isVisible()) bbtn_cancelarClick();
    e->accept();
    return;
  }
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    e->accept();  // no default button: Enter is the next-field key
    return;
  }
  if (e->key() == Qt::Key_F3 && Panel_Item->isVisible()) {
    fillLastPrice();
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

void TTCotavia2::StringGrid1Enter() {
  const int r = StringGrid1->selectedRow();
  // The empty rows below the items hold nothing to price: Enter stays on the grid.
  if (r < 0 || r >= itemCount(model->rows())) {
    StringGrid1->setFocus();
    return;
  }
  const GridRow row = model->row(r);
  panelRow_ = r;
  setShownText(Edit_Item, row[ColItem]);
  setShownText(Edit_Codigo, row[ColCode]);
  setShownText(Edit_Nome, row[ColDescription]);
  NumEdit_Quant->setText(fromCp1252(row[ColQuantity]));
  setShownText(Edit_Unidade, row[ColUnit]);
  NumEdit_PrUnit->setText(fromCp1252(row[ColUnitPrice]));
  NumEdit_Desconto->setText(fromCp1252(row[ColDiscount]));
  NumEdit_Acrescimo->setText(fromCp1252(row[ColSurcharge]));
  NumEdit_Total->setText(fromCp1252(row[ColTotal]));
  Edit_Marca->setText(fromCp1252(row[ColBrand]));
  showLastPrice(row);
  Panel_Item->show();
  Panel_Item->raise();
  Edit_Marca->setFocus();
  Edit_Marca->selectAll();
}

void TTCotavia2::recomputeItemTotal() {
  NumEdit_Total->setValue(itemEntryTotal(toCp1252(NumEdit_Quant->text()), NumEdit_PrUnit->Value(),
                                         NumEdit_Desconto->Value(), NumEdit_Acrescimo->Value()));
}

void TTCotavia2::bbtn_okClick() {
  recomputeItemTotal();
  // What the proposal file cannot hold (a negative amount or total, an amount too wide for its
  // field) is refused here, on the field to correct, not later by "Gravar".
  if (const auto refusal = checkItemEntry(toCp1252(NumEdit_Quant->text()), NumEdit_PrUnit->Value(),
                                          NumEdit_Desconto->Value(), NumEdit_Acrescimo->Value())) {
    dialogs().message(refusal->message);
    TNumEdit* field = refusal->column == ColDiscount    ? NumEdit_Desconto
                      : refusal->column == ColSurcharge ? NumEdit_Acrescimo
                                                        : NumEdit_PrUnit;  // the quantity is not typed here
    field->setFocus();
    return;
  }
  const GridRow before = model->row(panelRow_);
  if (trimRight(before[ColItem]).isEmpty()) {  // a row out of range is an empty row
    // Prices on a row without an item would never be saved and would block "Gravar".
    dialogs().message(QStringLiteral("Esta linha não contém um item da proposta: nada foi alterado."));
    bbtn_cancelarClick();
    return;
  }
  if (const QString bad = notInCp1252(Edit_Marca->text()); !bad.isEmpty()) {
    // The proposal file holds Windows-1252 only: "?" in their place would change the brand.
    dialogs().message(QStringLiteral("A marca do item %1 contém %2, que o arquivo da proposta não pode guardar: "
                                     "troque ou apague esses caracteres.")
                          .arg(fromCp1252(trimRight(before[ColItem])), bad));
    Edit_Marca->setFocus();
    return;
  }
  GridRow row = before;
  applyItemEntry(row, toCp1252(Edit_Marca->text()), NumEdit_PrUnit->Value(), NumEdit_Desconto->Value(),
                 NumEdit_Acrescimo->Value());
  model->setRow(panelRow_, row);
  Panel_Item->hide();
  TotalGeral();
  StringGrid1->setFocus();
}

void TTCotavia2::bbtn_cancelarClick() {
  Panel_Item->hide();
  TotalGeral();
  StringGrid1->setFocus();
}

void TTCotavia2::TotalGeral() {
  try {
    NumEdit_TotalGeral->setValue(grandTotal(model->rows()));
  } catch (const AppError& e) {
    dialogs().error(userMessage(e));
  }
}

Proposal TTCotavia2::proposal() const {
  Proposal p;
  p.header = proposal_.header;
  p.rows = model->rows();
  return p;
}

EditorState TTCotavia2::state() const {
  return EditorState{model->rows(), SupplierData{toCp1252(Edit_Fornecedor->text()), toCp1252(Edit_For_Endereco->text()),
                                                 toCp1252(Edit_For_Cidade->text())}};
}

bool TTCotavia2::unsavedChanges() const { return hasUnsavedChanges(saved_, state()); }

bool TTCotavia2::saveEdits() {
  if (loadFailed_) {
    // The grid holds only what was read before the error: saved, it would replace the whole file.
    dialogs().error(
        QStringLiteral("A proposta não pôde ser lida por inteiro ao ser aberta, e gravá-la agora apagaria do "
                       "arquivo os itens que não foram lidos. Nada foi gravado: peça um novo arquivo a quem o "
                       "enviou (ou corrija a linha indicada ao abrir) e abra-o de novo."));
    return false;
  }
  const EditorState now = state();
  try {
    // "?" must not replace a character of the supplier's name, address or city.
    const SupplierData supplier =
        supplierFromText(Edit_Fornecedor->text(), Edit_For_Endereco->text(), Edit_For_Cidade->text());
    QByteArray accepted;  // files changed by another save that the user chose to overwrite
    for (;;) {
      // Another save holding the lock is waited for with the window still drawn (typing and
      // clicks wait until this save is over).
      auto lock = std::make_unique<SaveLock>(ref_.folder, ref_.inputFileName, 3000, [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      });
      finishInterruptedSave(ref_.folder, ref_.inputFileName, *lock);
      const QByteArray onDisk = savedFilesStamp(ref_);
      if (onDisk == filesStamp_ || onDisk == accepted) {
        saveProposal(ref_, proposal(), supplier, *lock);
        filesStamp_ = savedFilesStamp(ref_);
        break;
      }
      // Saved by another window or command since this one read it: never replaced unasked.
      lock.reset();
      switch (dialogs().ask(
          QStringLiteral("A proposta %1 foi gravada por outra janela ou comando depois que esta janela a abriu.\r"
                         "Deseja substituir o que foi gravado pelo que está nesta janela?\r\r"
                         "Sim: grava esta janela, substituindo os preços gravados pela outra.\r"
                         "Não: recarrega a proposta como foi gravada, descartando as alterações desta janela.\r"
                         "Cancelar: não grava.")
              .arg(ref_.inputFileName))) {
        case Dialogs::Answer::Yes:
          accepted = onDisk;
          continue;
        case Dialogs::Answer::No: {
          const int row = StringGrid1->selectedRow();
          if (loadIntoScreen()) {
            TotalGeral();
            StringGrid1->selectRow0(std::max(row, 0));
            StringGrid1->setFocus();
          }
          return false;
        }
        case Dialogs::Answer::Cancel:
          return false;
      }
    }
  } catch (const AppError& e) {
    dialogs().error(userMessage(e));
    const int bad = supplierTextRefused(Edit_Fornecedor->text(), Edit_For_Endereco->text(), Edit_For_Cidade->text());
    if (bad >= 0) (bad == 0 ? Edit_Fornecedor : bad == 1 ? Edit_For_Endereco : Edit_For_Cidade)->setFocus();
    return false;
  }
  saved_ = now;
  // The prices saved go into the price memory; a failure there only warns.
  QString warning;
  try {
    // The book stays open in this window for the next saves and the item panel.
    warning = recordSavedProposal(ref_, proposal(), &priceBook());
  } catch (const std::exception& e) {
    warning = notRecordedWarning(e);  // the book could not be opened
  }
  if (!warning.isEmpty()) dialogs().message(warning);
  // Only a save that succeeded offers its file for export.
  Panel_Exporta->show();
  return true;
}

void TTCotavia2::bbtn_gravarClick() {
  // A failed save leaves the focus where the refusal put it (a supplier's field it names).
  if (saveEdits()) StringGrid1->setFocus();
}

void TTCotavia2::setExportFolder(const QString& folder) {
  exportFolder_ = folder;
  DirectoryListBox1->setText(QDir::toNativeSeparators(folder));
  DirectoryListBox1->setCursorPosition(0);
  DirectoryListBox1->setToolTip(folder);
  fillPlaces();
}

void TTCotavia2::fillPlaces() {
  QSignalBlocker block(DriveComboBox1);
  DriveComboBox1->clear();
  for (const QString& m : removableMedia())
    DriveComboBox1->addItem(QStringLiteral("Pen drive: ") + QFileInfo(m).fileName(), m);
  DriveComboBox1->addItem(QStringLiteral("Pasta do programa"), ref_.folder);
  DriveComboBox1->addItem(QStringLiteral("Pasta pessoal"), QDir::homePath());
  int current = DriveComboBox1->findData(exportFolder_);
  if (current < 0 && !exportFolder_.isEmpty()) {
    DriveComboBox1->addItem(QFileInfo(exportFolder_).fileName(), exportFolder_);
    current = DriveComboBox1->count() - 1;
  }
  DriveComboBox1->addItem(QStringLiteral("Outra pasta..."), QString());
  DriveComboBox1->setCurrentIndex(std::max(current, 0));
}

void TTCotavia2::placeChosen(int index) {
  const QString path = DriveComboBox1->itemData(index).toString();
  if (!path.isEmpty()) {
    setExportFolder(path);
    return;
  }
  const QString chosen = chooseFolder(exportFolder_);
  if (chosen.isEmpty()) {
    fillPlaces();  // back to the folder chosen before
    return;
  }
  setExportFolder(chosen);
}

void TTCotavia2::bbtn_exportarClick() {
  if (exportIsInPlace(ref_, exportFolder_)) {
    dialogs().message(
        QStringLiteral("O arquivo da proposta já está nesta pasta: nada foi copiado.\r"
                       "Para entregar a proposta, escolha o pen drive (ou outra pasta)\r"
                       "em \"Gravar o arquivo em:\" e gere o arquivo de novo."));
    return;
  }
  const QString path = exportTargetPath(exportFolder_, ref_);
  if (!dialogs().confirm(exportQuestion(path), QStringLiteral("Confirme"))) return;
  try {
    const QString done = exportProposal(ref_, exportFolder_);
    QApplication::processEvents();
    QString text = QStringLiteral("A proposta foi exportada com sucesso para:\r") + QDir::toNativeSeparators(done);
    // Only a pen drive (or other removable medium) is ejected before it is pulled out.
    const QString dest = QDir::cleanPath(exportFolder_);
    for (const QString& m : removableMedia())
      if (dest == QDir::cleanPath(m) || dest.startsWith(QDir::cleanPath(m) + QLatin1Char('/'))) {
        text += QStringLiteral(
            "\r\rAntes de retirar o pen drive, use a opção \"Ejetar\" "
            "(Remover com segurança) do sistema.");
        break;
      }
    dialogs().message(text);
  } catch (const AppError& e) {
    dialogs().error(QStringLiteral("A proposta NÃO foi exportada.\r") + userMessage(e));
  }
}

int TTCotavia2::printChoice() const { return ComboBox_TipoImpr->currentIndex(); }

void TTCotavia2::bbtn_importarClick() {
  // The printouts read the saved files: with changes on screen, save first or say what the
  // printout lacks.
  bool keepUnsaved = false;
  if (unsavedChanges()) {
    switch (
        dialogs().ask(QStringLiteral("A proposta tem alterações que ainda não foram gravadas e que não sairiam "
                                     "na impressão.\rDeseja gravar as alterações antes de imprimir?\r\r"
                                     "Sim: grava a proposta e imprime.\r"
                                     "Não: imprime a proposta como foi gravada, sem as alterações.\r"
                                     "Cancelar: não imprime."))) {
      case Dialogs::Answer::Yes:
        if (!saveEdits()) return;
        break;
      case Dialogs::Answer::No:
        keepUnsaved = true;
        break;
      case Dialogs::Answer::Cancel:
        return;
    }
  }
  PrintRequest req;
  req.editor = this;
  req.proposal = ref_;
  req.choice = printChoice();
  if (keepUnsaved && proposalSaved(ref_))
    dialogs().message(
        QStringLiteral("A impressão mostra a proposta como foi gravada pela última vez: "
                       "as alterações feitas depois NÃO aparecem nela. Para imprimi-las, pressione "
                       "\"Gravar\" e imprima de novo."));
  else if (keepUnsaved && req.choice != 0)
    dialogs().message(
        QStringLiteral("A proposta %1 ainda não foi gravada: o relatório mostra os itens SEM os preços digitados. "
                       "Para imprimir com os preços, pressione \"Gravar\" e imprima de novo.")
            .arg(ref_.inputFileName));
  try {
    printProposal(req);
  } catch (const std::exception& e) {
    dialogs().error(userMessage(e));
  }
}

void TTCotavia2::bbtn_importarPrecosClick() {
  if (Panel_Item->isVisible()) bbtn_cancelarClick();
  const QString path =
      dialogs().openFileName(QStringLiteral("Importar preços"), ref_.folder,
                             QStringLiteral("Listas de preços (*.xlsx *.XLSX *.ods *.ODS *.csv *.CSV *.txt *.TXT);;"
                                            "Planilhas do Excel (*.xlsx *.XLSX);;Planilhas OpenDocument (*.ods *.ODS);;"
                                            "Texto separado por ; (*.csv *.CSV *.txt *.TXT);;Todos os arquivos (*)"));
  if (path.isEmpty()) return;
  const int keepRow = StringGrid1->selectedRow();
  try {
    const QList<PriceLine> lines = readPriceList(path);
    Proposal p = proposal();
    const int priced = applyPriceList(p, lines, path);
    model->setRows(p.rows);
    StringGrid1->selectRow0(std::max(keepRow, 0));
    TotalGeral();
    const QString name = QFileInfo(path).fileName();
    const QString what = priced == 1 ? QStringLiteral("1 item recebeu preço")
                                     : QString::number(priced) + QStringLiteral(" itens receberam preço");
    dialogs().message(what + QStringLiteral(" da lista ") + name +
                      QStringLiteral(".\rOs preços ainda não foram gravados: confira a lista e pressione \"Gravar\"."));
  } catch (const AppError& e) {
    dialogs().error(QStringLiteral("Nenhum preço foi importado.\r") + userMessage(e));
  }
  StringGrid1->setFocus();
}

void TTCotavia2::bbtn_exportarPrecosClick() {
  if (Panel_Item->isVisible()) bbtn_cancelarClick();
  const QString suggested =
      joinPath(ref_.folder, "precos_" + QFileInfo(ref_.inputFileName).completeBaseName() + ".xlsx");
  const QString xlsx = QStringLiteral("Planilha do Excel (*.xlsx)"),
                csv = QStringLiteral("Texto separado por ; (*.csv)");
  QString filter;
  QString path =
      dialogs().saveFileName(QStringLiteral("Exportar preços"), suggested, xlsx + QStringLiteral(";;") + csv, &filter);
  if (path.isEmpty()) return;
  // A name of another kind takes the extension of the chosen entry; the chooser asked about the
  // name typed, so a file already at the name it becomes is asked about here.
  const QString ext = QFileInfo(path).suffix().toLower();
  if (ext != QLatin1String("xlsx") && ext != QLatin1String("csv")) {
    path += filter == csv ? QStringLiteral(".csv") : QStringLiteral(".xlsx");
    if (QFileInfo::exists(path) &&
        !dialogs().confirmDestructive(
            QStringLiteral("O arquivo %1 já existe. Deseja substituí-lo?").arg(QDir::toNativeSeparators(path)),
            QStringLiteral("Confirme")))
      return;
  }
  try {
    const Proposal saved = loadSavedProposal(ref_);
    const int items = writePriceExport(saved, path);
    QString text = (items == 1 ? QStringLiteral("1 item exportado") : QString::number(items) + " itens exportados") +
                   QStringLiteral(" para:\r") + QDir::toNativeSeparators(path) +
                   QStringLiteral("\r\rEdite os preços na planilha e use \"Importar preços...\" na próxima proposta.");
    const QList<GridRow> shown = proposal().rows;
    if (saved.rows.mid(0, itemCount(saved.rows)) != shown.mid(0, itemCount(shown)))
      text += QStringLiteral(
          "\rAtenção: foram exportados os preços gravados; as alterações feitas depois do último "
          "\"Gravar\" não estão no arquivo.");
    dialogs().message(text);
  } catch (const AppError& e) {
    dialogs().error(QStringLiteral("Os preços NÃO foram exportados.\r") + userMessage(e));
  }
  StringGrid1->setFocus();
}

void TTCotavia2::bbtn_voltarClick() { reject(); }

void TTCotavia2::reject() {
  if (unsavedChanges()) {
    switch (dialogs().ask(QStringLiteral("Deseja gravar as alterações da proposta?"))) {
      case Dialogs::Answer::Yes:
        if (!saveEdits()) return;  // the failure was said; the changes stay on screen
        break;
      case Dialogs::Answer::No:
        break;
      case Dialogs::Answer::Cancel:
        return;
    }
  }
  QDialog::reject();
}

PriceBook& TTCotavia2::priceBook() {
  if (!book_ || !book_->isOpen()) {
    auto book = std::make_unique<PriceBook>();
    book->open(priceBookLocation());
    book_ = std::move(book);
    panelWithoutBook_ = false;
  }
  return *book_;
}

QString TTCotavia2::municipality() const {
  return priceSourceOf(proposal_, ref_.inputFileName, QDateTime::currentDateTime()).municipality;
}

void TTCotavia2::showLastPrice(const GridRow& row) {
  lastPrice_.reset();
  Label_UltimoPreco->clear();
  const ItemQuery q = itemQueryOf(row);
  if (q.item.isEmpty() || panelWithoutBook_) return;
  // The panel works without the book. One that cannot be opened is not waited for again on every
  // item (a server out of reach takes seconds); a save or "Preços anteriores..." tries again and
  // says why.
  PriceBook* book = nullptr;
  try {
    book = &priceBook();
  } catch (const std::exception&) {
    panelWithoutBook_ = true;
    return;
  }
  try {
    lastPrice_ = book->suggestOne(municipality(), q);
  } catch (const std::exception&) {
    return;
  }
  if (!lastPrice_) return;
  const PriceEntry& e = lastPrice_->entry;
  Label_UltimoPreco->setText(QStringLiteral("Último preço: %1 - %2 - %3, %4")
                                 .arg(suggestedAmount(e.item.unitPrice, 4), e.item.brand, e.source.municipality,
                                      e.source.savedAt.toString(QStringLiteral("dd/MM/yyyy"))));
  Label_UltimoPreco->setToolTip(e.item.description);
}

void TTCotavia2::fillLastPrice() {
  if (!lastPrice_) {
    dialogs().beep();
    return;
  }
  const PricedItem& i = lastPrice_->entry.item;
  Edit_Marca->setText(i.brand);
  NumEdit_PrUnit->setValue(i.unitPrice);
  // Discount and surcharge are reais for the whole item: they go with the same quantity only.
  const bool adjustments = carriesAdjustments(*lastPrice_);
  NumEdit_Desconto->setValue(adjustments ? i.discount : 0);
  NumEdit_Acrescimo->setValue(adjustments ? i.surcharge : 0);
  recomputeItemTotal();
  bbtn_ok->setFocus();  // Enter confirms, as after typing the amounts
}

void TTCotavia2::bbtn_precosAnterioresClick() {
  if (Panel_Item->isVisible()) bbtn_cancelarClick();
  QList<PriceSuggestion> suggestions;
  try {
    suggestions = suggestForProposal(priceBook(), proposal());
  } catch (const std::exception& e) {
    dialogs().error(QStringLiteral("Os preços anteriores não puderam ser consultados.\r") + userMessage(e));
    return;
  }
  if (suggestions.isEmpty()) {
    dialogs().message(
        QStringLiteral("Nenhum preço anterior foi encontrado para os itens sem preço desta proposta.\r"
                       "Os preços são lembrados a cada proposta gravada."));
    return;
  }
  PriceReviewDialog review(
      suggestions,
      [this](const QList<PriceSuggestion>& t, const QList<int>& rows) { return applySuggestions(t, rows); }, this);
  review.exec();
  StringGrid1->setFocus();
}

bool TTCotavia2::applySuggestions(const QList<PriceSuggestion>& ticked, const QList<int>& rows) {
  if (ticked.isEmpty()) {
    dialogs().message(QStringLiteral("Nenhuma linha está marcada: marque os preços que deseja usar."));
    return false;
  }
  // The ticked rows as a price list, each line numbered by its row in the window, applied as the
  // import applies one.
  QList<PriceLine> lines = priceLinesOf(ticked);
  for (int i = 0; i < lines.size() && i < rows.size(); ++i) lines[i].line = rows.at(i);
  try {
    Proposal p = proposal();
    const int priced = applyPriceList(p, lines, QStringLiteral("Preços anteriores"));
    model->setRows(p.rows);
    TotalGeral();
    const QString what = priced == 1 ? QStringLiteral("1 item recebeu preço")
                                     : QString::number(priced) + QStringLiteral(" itens receberam preço");
    dialogs().message(
        what + QStringLiteral(" de propostas anteriores.\rOs preços ainda não foram gravados: confira os itens e "
                              "pressione \"Gravar\"."));
    return true;
  } catch (const AppError& e) {
    dialogs().error(QStringLiteral("Nenhum preço foi aplicado.\r") + userMessage(e));
    return false;
  }
}

void TTCotavia2::bbtn_imprimirHistoricoClick() {
  if (Panel_Item->isVisible()) bbtn_cancelarClick();
  try {
    const HistoryQuery query;
    const QList<PriceEntry> entries = priceBook().history(query);
    if (entries.isEmpty()) throw emptyHistoryError(query);
    auto form = std::make_unique<PriceHistoryReport>(entries, query);
    previewReport(form->RpReport, this, joinPath(ref_.folder, QStringLiteral("historico_precos.pdf")));
  } catch (const std::exception& e) {
    dialogs().error(userMessage(e));
  }
  StringGrid1->setFocus();
}

}  // namespace cotavia
