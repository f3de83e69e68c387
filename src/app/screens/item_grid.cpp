#include "app/screens/item_grid.h"

#include "app/screens/screen_style.h"
#include "platform/amounts.h"
#include "platform/codepage.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace cotavia {

namespace {

struct Column {
  const char* title;  // leading blanks line the titles up over right-aligned numbers
  int width;
};

const Column kColumns[GridColumnCount] = {
    {"It.", 35},        {"Código", 45},    {"Descrição", 150}, {"   Quantidade", 100}, {"Un", 40},
    {" Pr. Unit.", 73}, {" Desconto", 73}, {"Acréscimo", 73},  {"     TOTAL", 100},    {" Marca", 65},
};

constexpr int kRowHeight = 16;
constexpr int kFontPixels = 11;

// Cells drawn with a narrow margin and clipped, never shortened with "...": the fixed-pitch
// texts are laid out by their blanks and must keep every digit they show.
class CellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    applySelectionColors(opt, opt.widget);
    const QString text = opt.text;
    opt.text.clear();
    const QWidget* w = opt.widget;
    QStyle* style = w ? w->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, p, w);
    const bool selected = opt.state & QStyle::State_Selected;
    const QPalette::ColorGroup cg = (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    p->save();
    p->setClipRect(opt.rect);
    p->setFont(opt.font);
    p->setPen(opt.palette.color(cg, selected ? QPalette::HighlightedText : QPalette::Text));
    p->drawText(opt.rect.adjusted(2, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    p->restore();
  }
};

}  // namespace

ItemGridModel::ItemGridModel(QObject* parent) : QAbstractTableModel(parent) {}

int ItemGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max<int>(kMinRows, static_cast<int>(rows_.size()));
}

int ItemGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : GridColumnCount; }

QVariant ItemGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_.size()) return {};
  if (role == Qt::DisplayRole) return fromCp1252(rows_[index.row()][index.column()]);
  // The description and the brand are wider than their columns: the whole text on hover.
  if (role == Qt::ToolTipRole && (index.column() == ColDescription || index.column() == ColBrand)) {
    const QByteArray t = trimRight(rows_[index.row()][index.column()]);
    if (!t.isEmpty()) return fromCp1252(t);
  }
  return {};
}

QVariant ItemGridModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return columnTitle(section);
}

QString ItemGridModel::columnTitle(int column) {
  if (column < 0 || column >= GridColumnCount) return {};
  return QString::fromUtf8(kColumns[column].title);
}

int ItemGridModel::columnWidth(int column) {
  return column < 0 || column >= GridColumnCount ? 0 : kColumns[column].width;
}

void ItemGridModel::setRows(const QList<GridRow>& rows) {
  beginResetModel();
  rows_ = rows;
  endResetModel();
}

GridRow ItemGridModel::row(int index) const {
  if (index < 0 || index >= rows_.size()) return {};
  return rows_[index];
}

void ItemGridModel::setRow(int index, const GridRow& row) {
  if (index < 0 || index >= rows_.size()) return;  // only item rows hold entries
  rows_[index] = row;
  emit dataChanged(this->index(index, 0), this->index(index, GridColumnCount - 1));
}

ItemGridView::ItemGridView(QWidget* parent) : QTableView(parent) {
  setFont(monoFont(kFontPixels));
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);
  setShowGrid(true);
  setFrameShape(QFrame::NoFrame);
  setWordWrap(false);
  setItemDelegate(new CellDelegate(this));
  setCornerButtonEnabled(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setMinimumSectionSize(kRowHeight);
  verticalHeader()->setDefaultSectionSize(kRowHeight);
  QHeaderView* h = horizontalHeader();
  h->setFont(monoFont(kFontPixels));
  h->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  h->setSectionsClickable(false);
  h->setHighlightSections(false);
  h->setSectionResizeMode(QHeaderView::Interactive);
  h->setStretchLastSection(true);  // the brand takes what the grid has left
  h->setMinimumSectionSize(10);
  h->setFixedHeight(kRowHeight + 4);
  // The title row in the grey of inactive captions, with dark text.
  h->setStyleSheet(QStringLiteral(
      "QHeaderView::section { background-color: rgb(212,208,200); color: black; padding: 0px 2px;"
      " border: 0px; border-right: 1px solid rgb(160,160,160); border-bottom: 1px solid rgb(160,160,160); }"));
}

void ItemGridView::setColumns() {
  for (int c = 0; c < GridColumnCount; ++c) setColumnWidth(c, ItemGridModel::columnWidth(c));
}

int ItemGridView::selectedRow() const {
  const QModelIndex i = currentIndex();
  return i.isValid() ? i.row() : -1;
}

void ItemGridView::selectRow0(int row) {
  if (!model() || row < 0 || row >= model()->rowCount()) return;
  setCurrentIndex(model()->index(row, 0));
  selectRow(row);
}

int ItemGridView::lastItemRow() const {
  const auto* m = qobject_cast<const ItemGridModel*>(model());
  if (m) return std::max(0, itemCount(m->rows()) - 1);
  return model() ? std::max(0, model()->rowCount() - 1) : 0;
}

void ItemGridView::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    e->accept();
    emit enterPressed();
    return;
  }
  // Home and End (with Ctrl or not) go to the first and the last item; the grid shows whole
  // rows, so moving between columns would only hide the row's beginning.
  const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
  if ((e->key() == Qt::Key_Home || e->key() == Qt::Key_End) &&
      (mods == Qt::NoModifier || mods == Qt::ControlModifier)) {
    e->accept();
    const int row = e->key() == Qt::Key_Home ? 0 : lastItemRow();
    selectRow0(row);
    scrollTo(model()->index(row, 0));
    return;
  }
  QTableView::keyPressEvent(e);
}

void ItemGridView::focusInEvent(QFocusEvent* e) {
  QTableView::focusInEvent(e);
  viewport()->update();  // the selection takes its focused colour
}

void ItemGridView::focusOutEvent(QFocusEvent* e) {
  QTableView::focusOutEvent(e);
  viewport()->update();
}

}  // namespace cotavia
