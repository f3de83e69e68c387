#include "app/screens/price_review.h"

#include "app/core/price_memory.h"
#include "app/screens/screen_style.h"
#include "platform/amounts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace cotavia {

QString suggestedAmount(long double v, int decimals) {
  QString s = QString::fromLatin1(formatAmount(v, decimals, 18));
  const qsizetype comma = s.indexOf(QLatin1Char(','));
  while (comma >= 0 && s.size() > comma + 3 && s.endsWith(QLatin1Char('0'))) s.chop(1);
  return s;
}

namespace {
const QStringList kHeaders = {QStringLiteral("Usar"),      QStringLiteral("Item"),
                              QStringLiteral("Descrição"), QStringLiteral("Marca"),
                              QStringLiteral("Pr. Unit."), QStringLiteral("Desconto"),
                              QStringLiteral("Acréscimo"), QStringLiteral("Origem"),
                              QStringLiteral("Data"),      QStringLiteral("Como foi achado")};
}  // namespace

PriceReviewDialog::PriceReviewDialog(QList<PriceSuggestion> suggestions, ApplyFn apply, QWidget* parent)
    : QDialog(parent), suggestions_(std::move(suggestions)), apply_(std::move(apply)) {
  setObjectName(QStringLiteral("PriceReviewDialog"));
  setWindowTitle(QStringLiteral("Preços anteriores"));
  resize(1200, 560);
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(
      QStringLiteral("Preços de propostas gravadas antes, para os itens ainda sem preço. Marque os que deseja usar "
                     "(os achados pelo código do item já vêm marcados), confira e pressione \"Aplicar\"; depois, "
                     "\"Gravar\" no editor."),
      this);
  intro->setWordWrap(true);
  layout->addWidget(intro);

  Grid_Sugestoes = new QTableWidget(int(suggestions_.size()), int(kHeaders.size()), this);
  Grid_Sugestoes->setObjectName(QStringLiteral("Grid_Sugestoes"));
  Grid_Sugestoes->setHorizontalHeaderLabels(kHeaders);
  Grid_Sugestoes->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Grid_Sugestoes->setSelectionBehavior(QAbstractItemView::SelectRows);
  Grid_Sugestoes->setSelectionMode(QAbstractItemView::SingleSelection);
  Grid_Sugestoes->verticalHeader()->setVisible(false);
  Grid_Sugestoes->setWordWrap(false);  // one line a row; the whole text in the cell's tip
  Grid_Sugestoes->verticalHeader()->setDefaultSectionSize(Grid_Sugestoes->fontMetrics().height() + 8);
  Grid_Sugestoes->horizontalHeader()->setStretchLastSection(true);
  // The amounts as "Aplicar" would price them (discount and surcharge go with the same quantity
  // only).
  const QList<PriceLine> lines = priceLinesOf(suggestions_);
  for (int r = 0; r < suggestions_.size(); ++r) {
    const PriceSuggestion& s = suggestions_.at(r);
    const PricedItem& i = s.entry.item;
    const PriceLine& l = lines.at(r);
    const PriceSource& src = s.entry.source;
    auto* tick = new QTableWidgetItem();
    tick->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    tick->setCheckState(s.how == FoundBy::Description ? Qt::Unchecked : Qt::Checked);
    Grid_Sugestoes->setItem(r, 0, tick);
    const QStringList texts = {s.query.item,
                               s.query.description.trimmed(),
                               i.brand,
                               suggestedAmount(l.unitPrice, 4),
                               l.discount != 0 ? suggestedAmount(l.discount, 2) : QString(),
                               l.surcharge != 0 ? suggestedAmount(l.surcharge, 2) : QString(),
                               src.municipality + QStringLiteral(" (") + src.proposal + QStringLiteral(")"),
                               src.savedAt.toString(QStringLiteral("dd/MM/yyyy")),
                               foundByText(s.how)};
    for (int c = 0; c < texts.size(); ++c) {
      auto* cell = new QTableWidgetItem(texts.at(c));
      if (c >= 3 && c <= 5) cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      // The description the suggestion was recorded under, for a description match to check.
      cell->setToolTip(c == 1 ? QStringLiteral("Registrado como: ") + i.description : texts.at(c));
      Grid_Sugestoes->setItem(r, c + 1, cell);
    }
  }
  Grid_Sugestoes->resizeColumnsToContents();
  Grid_Sugestoes->setColumnWidth(2, std::min(Grid_Sugestoes->columnWidth(2), 300));
  Grid_Sugestoes->setColumnWidth(7, std::min(Grid_Sugestoes->columnWidth(7), 260));
  if (!suggestions_.isEmpty()) Grid_Sugestoes->selectRow(0);
  layout->addWidget(Grid_Sugestoes, 1);

  auto* buttons = new QHBoxLayout();
  auto* keys = new QLabel(QStringLiteral("Espaço marca ou desmarca a linha escolhida."), this);
  buttons->addWidget(keys, 1);
  bbtn_marcarTodos = new QPushButton(QStringLiteral("Marcar todos"), this);
  bbtn_aplicar = new QPushButton(QStringLiteral("Aplicar"), this);
  bbtn_cancelar = new QPushButton(QStringLiteral("Cancelar"), this);
  bbtn_aplicar->setObjectName(QStringLiteral("bbtn_aplicar"));
  bbtn_marcarTodos->setObjectName(QStringLiteral("bbtn_marcarTodos"));
  bbtn_cancelar->setObjectName(QStringLiteral("bbtn_cancelar"));
  // Enter presses the button that has the focus.
  for (QPushButton* b : {bbtn_marcarTodos, bbtn_aplicar, bbtn_cancelar}) buttons->addWidget(b);
  layout->addLayout(buttons);
  connect(bbtn_aplicar, &QPushButton::clicked, this, [this] { AplicarClick(); });
  connect(bbtn_cancelar, &QPushButton::clicked, this, &QDialog::reject);
  connect(bbtn_marcarTodos, &QPushButton::clicked, this, [this] {
    for (int r = 0; r < Grid_Sugestoes->rowCount(); ++r) setTicked(r, true);
  });
  // Space on a row ticks or unticks it, wherever the row's focus cell is.
  Grid_Sugestoes->installEventFilter(this);
  connect(Grid_Sugestoes, &QTableWidget::cellDoubleClicked, this, [this](int r, int) { setTicked(r, !ticked(r)); });
  Grid_Sugestoes->setFocus();
}

bool PriceReviewDialog::ticked(int row) const {
  const QTableWidgetItem* t = Grid_Sugestoes->item(row, 0);
  return t && t->checkState() == Qt::Checked;
}

void PriceReviewDialog::setTicked(int row, bool on) {
  if (QTableWidgetItem* t = Grid_Sugestoes->item(row, 0)) t->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

QStringList PriceReviewDialog::rowTexts(int row) const {
  QStringList out;
  for (int c = 1; c < Grid_Sugestoes->columnCount(); ++c)
    out << (Grid_Sugestoes->item(row, c) ? Grid_Sugestoes->item(row, c)->text() : QString());
  return out;
}

void PriceReviewDialog::AplicarClick() {
  QList<PriceSuggestion> chosen;
  QList<int> rows;
  for (int r = 0; r < suggestions_.size(); ++r)
    if (ticked(r)) {
      chosen << suggestions_.at(r);
      rows << r + 1;
    }
  if (apply_ && apply_(chosen, rows)) accept();
}

bool PriceReviewDialog::eventFilter(QObject* obj, QEvent* e) {
  if (obj == Grid_Sugestoes && e->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Space) {
      const int r = Grid_Sugestoes->currentRow();
      if (r >= 0) setTicked(r, !ticked(r));
      return true;
    }
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
      bbtn_aplicar->setFocus();
      return true;
    }
  }
  return QDialog::eventFilter(obj, e);
}

}  // namespace cotavia
