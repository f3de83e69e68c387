#pragma once
// "Preços anteriores...": the review window of the prices the price book suggests for a
// proposal's unpriced items. One row per suggestion (item, description, brand and amounts, where
// it came from, its date and how it was found) with a tick box, ticked at first only for the
// suggestions found by item code. "Aplicar" hands the ticked ones to the editor, which prices
// them all or none; a refusal keeps the window open to untick the row it names.
#include "pricebook/price_book.h"

#include <QDialog>
#include <functional>

class QPushButton;
class QTableWidget;

namespace cotavia {

class PriceReviewDialog : public QDialog {
  Q_OBJECT
 public:
  // `apply` prices the ticked suggestions; each comes with its row number in the window (from
  // 1). It returns true when they were applied (the window closes), false after saying why not.
  using ApplyFn = std::function<bool(const QList<PriceSuggestion>& ticked, const QList<int>& rows)>;
  PriceReviewDialog(QList<PriceSuggestion> suggestions, ApplyFn apply, QWidget* parent = nullptr);

  // The row's text in each column (for tests).
  QStringList rowTexts(int row) const;
  bool ticked(int row) const;
  void setTicked(int row, bool on);
  void AplicarClick();

  QTableWidget* Grid_Sugestoes = nullptr;
  QPushButton *bbtn_aplicar = nullptr, *bbtn_marcarTodos = nullptr, *bbtn_cancelar = nullptr;

 protected:
  bool eventFilter(QObject* obj, QEvent* e) override;

 private:
  QList<PriceSuggestion> suggestions_;
  ApplyFn apply_;
};

// The amount as the price book suggests it: Brazilian notation, at least 2 decimals and at most
// `decimals` ("0,89", "1.234,5678").
QString suggestedAmount(long double v, int decimals);

}  // namespace cotavia
