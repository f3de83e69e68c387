#pragma once
// TNumEdit: a single-line entry field for decimal numbers. Focused, it is a plain edit box holding
// the number in fixed notation (1234,5000) and filters the typed keys so the text stays a number
// with at most Decimals decimals; unfocused, it paints the number itself with thousands
// separators (1.234,5000). The number is the text: Value() parses it, setValue() rewrites it.
#include <QLineEdit>
#include <functional>

namespace cotavia {

class TNumEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TNumEdit(QWidget* parent = nullptr);

  // The number the text holds (digits and the first decimal separator; a leading "-" negates).
  long double Value() const;
  // Rewrites the text in fixed notation with Decimals decimals; selects all when focused.
  void setValue(long double v);

  int Decimals() const { return decimals_; }
  // Stores the count and rewrites the text from the current value (re-rounded).
  void setDecimals(int decimals);

  bool ShowSeparator() const { return showSeparator_; }
  void setShowSeparator(bool show);

  // Bounds checked when the focus leaves; both 0 means no bounds.
  long double MinValue = 0;
  long double MaxValue = 0;
  // Called instead of the beep when the focus would leave with the value out of bounds.
  std::function<void()> OnOutOfRange;

  // The text painted while the field has no focus.
  QString paintedText() const;

 signals:
  // The focus left the field with its value within bounds.
  void exited();

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  void reject();
  void rewriteFromValue();

  int decimals_ = 2;
  bool showSeparator_ = true;
  bool selectOnClick_ = false;
  bool reclaiming_ = false;
};

}  // namespace cotavia
