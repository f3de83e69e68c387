#include "platform/qt_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

namespace cotavia {

namespace {

QString shown(QString text) {
  // Message texts use single carriage returns as line breaks.
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace('\r', '\n');
  return text;
}

// Room the window frame takes beside the caption (title bar buttons, icon, margins).
constexpr int kCaptionFrame = 120;
// Lines wider than this wrap: a long sentence reads better in a box of moderate width.
constexpr int kWidestLine = 640;

void centreOn(QWidget& box, const QWidget* window) {
  QRect area;
  if (window && window->isVisible())
    area = window->frameGeometry();
  else if (const QScreen* s = box.screen() ? box.screen() : QGuiApplication::primaryScreen())
    area = s->availableGeometry();
  if (area.isEmpty()) return;
  const QSize size = box.frameGeometry().size().expandedTo(box.size());
  box.move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

// The extension a filter entry names when it names just one ("Arquivos PDF (*.pdf)": "pdf").
QString onlyExtension(const QString& entry) {
  static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
  QRegularExpressionMatchIterator it = pattern.globalMatch(entry);
  if (!it.hasNext()) return {};
  const QString ext = it.next().captured(1);
  return it.hasNext() ? QString() : ext;
}

// The kinds of the file dialogs' "Tipo" column in Portuguese.
class PortugueseFileTypes : public QFileIconProvider {
 public:
  QString type(const QFileInfo& info) const override {
    if (info.isRoot()) return QStringLiteral("Unidade");
    if (info.isDir()) return QStringLiteral("Pasta");
    const QString suffix = info.suffix();
    return suffix.isEmpty() ? QStringLiteral("Arquivo") : QStringLiteral("Arquivo ") + suffix.toUpper();
  }
};

// Runs a file dialog; a typed name without extension takes the one of the filter entry shown.
QString chosen(QFileDialog& d, QString* chosenFilter = nullptr) {
  QtDialogs::prepare(d);
  d.setDefaultSuffix(onlyExtension(d.selectedNameFilter()));
  QObject::connect(&d, &QFileDialog::filterSelected, &d,
                   [&d](const QString& entry) { d.setDefaultSuffix(onlyExtension(entry)); });
  if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
  if (chosenFilter) *chosenFilter = d.selectedNameFilter();
  return d.selectedFiles().first();
}

}  // namespace

QtDialogs::QtDialogs() : font(QApplication::font()) {}

QWidget* QtDialogs::owner() {
  if (QWidget* a = QApplication::activeWindow()) return a;
  if (QWidget* m = QApplication::activeModalWidget()) return m;
  // Desktops without a window manager activate nothing: the last visible window of the program.
  QWidget* found = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && !w->isMinimized() && w->windowType() != Qt::ToolTip && w->windowType() != Qt::Popup)
      found = w;
  return found;
}

void QtDialogs::prepare(QFileDialog& d) {
  static PortugueseFileTypes types;
  d.setIconProvider(&types);
  // Room for names, sizes, kinds and dates, and for the whole text of each filter entry.
  d.resize(std::max(d.width(), 780), std::max(d.height(), 480));
  if (auto* tree = d.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    QHeaderView* h = tree->header();
    h->setStretchLastSection(false);
    h->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < h->count(); ++c) h->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  }
  if (auto* filters = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
    filters->setSizeAdjustPolicy(QComboBox::AdjustToContents);
}

void QtDialogs::prepare(QMessageBox& box) const {
  box.setFont(font);
  // The label's width: each line that carries its own break kept whole (up to kWidestLine, then
  // wrapped), and never narrower than the caption needs.
  const QFontMetrics fm(font);
  int widest = 0;
  for (const QString& line : box.text().split('\n')) widest = std::max(widest, fm.horizontalAdvance(line));
  widest = std::min(widest + 8, kWidestLine);
  QFont titleFont = font;
  titleFont.setBold(true);
  const int caption = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kCaptionFrame;
  // The icon and the margins take about 80 pixels of the box beside the label.
  widest = std::max(widest, caption - (box.icon() == QMessageBox::NoIcon ? 40 : 90));
  box.setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { min-width: %1px; }").arg(widest));
}

static int run(const QtDialogs& d, QMessageBox& box) {
  d.prepare(box);
  QWidget* window = box.parentWidget() ? box.parentWidget()->window() : nullptr;
  // Qt places a box over its parent before it knows the box's final size: centre it once shown.
  QTimer::singleShot(0, &box, [&box, window] { centreOn(box, window); });
  return box.exec();
}

void QtDialogs::message(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::NoIcon, caption.isEmpty() ? applicationTitle() : caption, shown(text), QMessageBox::Ok,
                  owner());
  run(*this, box);
}

void QtDialogs::error(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Critical, caption.isEmpty() ? applicationTitle() : caption, shown(text), QMessageBox::Ok,
                  owner());
  run(*this, box);
}

static bool yesNo(const QtDialogs& d, const QString& text, const QString& caption, QMessageBox::StandardButton def) {
  QMessageBox box(QMessageBox::Question, caption.isEmpty() ? QStringLiteral("Confirme") : caption, shown(text),
                  QMessageBox::Yes | QMessageBox::No, QtDialogs::owner());
  box.setDefaultButton(def);
  box.setEscapeButton(QMessageBox::No);
  return run(d, box) == QMessageBox::Yes;
}

bool QtDialogs::confirm(const QString& text, const QString& caption) {
  return yesNo(*this, text, caption, QMessageBox::Yes);
}

bool QtDialogs::confirmDestructive(const QString& text, const QString& caption) {
  return yesNo(*this, text, caption, QMessageBox::No);
}

Dialogs::Answer QtDialogs::ask(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Question, caption.isEmpty() ? QStringLiteral("Confirme") : caption, shown(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, owner());
  box.button(QMessageBox::Yes)->setText(QStringLiteral("Sim"));
  box.button(QMessageBox::No)->setText(QStringLiteral("Não"));
  box.button(QMessageBox::Cancel)->setText(QStringLiteral("Cancelar"));
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (run(*this, box)) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

void QtDialogs::beep() { QApplication::beep(); }

QString QtDialogs::saveFileName(const QString& caption, const QString& suggested, const QString& filter,
                                QString* chosenFilter) {
  QFileDialog d(owner(), caption, suggested, filter);
  d.setAcceptMode(QFileDialog::AcceptSave);
  return chosen(d, chosenFilter);
}

QString QtDialogs::openFileName(const QString& caption, const QString& folder, const QString& filter) {
  QFileDialog d(owner(), caption, folder, filter);
  d.setFileMode(QFileDialog::ExistingFile);
  return chosen(d);
}

QString QtDialogs::folderName(const QString& caption, const QString& start) {
  QFileDialog d(owner(), caption, start);
  d.setFileMode(QFileDialog::Directory);
  d.setOption(QFileDialog::ShowDirsOnly);
  return chosen(d);
}

}  // namespace cotavia
