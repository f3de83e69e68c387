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
  // The font it is painted in: the field's own, smaller when the number would not fit.
  QFont paintedFont() const;
  // Where the unfocused number is painted.
  QRect paintedArea() const;

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

  // The steps of a key press.
  // What a key does to the field: moves the focus or the caret, types a character, erases,
  // uses the clipboard, or nothing (refused with a beep).
  enum class KeyKind { Navigation, Character, Backspace, Clipboard, Forbidden };
  static KeyKind keyKind(const QKeyEvent* e);
  // The character a typed one stands for in a number (comma and dot are the decimal
  // separator); null for any that has no place in one.
  static QChar numberChar(QChar typed);
  // Types a number's character at the caret: the minus sign, the separator or a digit.
  void typeNumberChar(QChar ch);
  // The minus key on part of the text toggles the sign, the caret kept where it was from the end.
  void toggleSign();
  // The separator on part of the text: a jump over the one there, else the digits after the
  // caret (up to the decimals allowed) become the decimal part.
  void typeDecimal();
  // Inserts a character; inside a full decimal part it overwrites, at its end it is refused.
  void insertKeepingDecimals(QChar ch);

  int decimals_ = 2;
  bool showSeparator_ = true;
  bool selectOnClick_ = false;
  bool reclaiming_ = false;
};

}  // namespace cotavia
