#include "controls/numedit.h"

#include "platform/amounts.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>

namespace cotavia {

namespace {

constexpr QChar kDecimal = QLatin1Char(',');
// QLineEdit's own inner margins, so the painted number sits where the edited one does.
constexpr int kHorizontalMargin = 2;
constexpr int kVerticalMargin = 1;

}  // namespace

TNumEdit::TNumEdit(QWidget* parent) : QLineEdit(parent) {
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  setText(fromCp1252(numEditFixed(0, decimals_)));
}

long double TNumEdit::Value() const { return parseNumEditText(toCp1252(text()), kDecimal.toLatin1()); }

void TNumEdit::setValue(long double v) {
  setText(fromCp1252(numEditFixed(v, decimals_)));
  if (hasFocus()) selectAll();
  update();
}

void TNumEdit::setDecimals(int decimals) {
  decimals_ = qBound(0, decimals, 255);
  setValue(Value());
}

void TNumEdit::setShowSeparator(bool show) {
  if (show == showSeparator_) return;
  showSeparator_ = show;
  update();
}

QString TNumEdit::paintedText() const {
  const long double v = Value();
  return fromCp1252(numEditDisplay(v, decimals_, showSeparator_));
}

QRect TNumEdit::paintedArea() const {
  QStyleOptionFrame panel;
  initStyleOption(&panel);
  const QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this).marginsRemoved(textMargins());
  return r.adjusted(kHorizontalMargin, kVerticalMargin, -kHorizontalMargin, -kVerticalMargin);
}

QFont TNumEdit::paintedFont() const {
  // A number wider than the field is drawn smaller, never cut: every digit stays readable.
  const QString t = paintedText();
  const int room = paintedArea().width();
  QFont f = font();
  for (int px = QFontInfo(f).pixelSize(); px > 6 && QFontMetrics(f).horizontalAdvance(t) > room;) f.setPixelSize(--px);
  return f;
}

void TNumEdit::reject() { dialogs().beep(); }

void TNumEdit::rewriteFromValue() { setText(fromCp1252(numEditFixed(Value(), decimals_))); }

TNumEdit::KeyKind TNumEdit::keyKind(const QKeyEvent* e) {
  const QString typed = e->text();
  if (e->matches(QKeySequence::Copy) || e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut))
    return KeyKind::Clipboard;
  if (e->key() == Qt::Key_Backspace) return KeyKind::Backspace;
  if (e->matches(QKeySequence::SelectAll)) return KeyKind::Navigation;  // selecting changes nothing
  if (!typed.isEmpty() && typed.at(0).isPrint() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
    return KeyKind::Character;
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Tab ||
      e->key() == Qt::Key_Backtab || e->key() == Qt::Key_Escape)
    return KeyKind::Navigation;
  if (!typed.isEmpty() || e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo))
    return KeyKind::Forbidden;  // other control characters (Ctrl+Z, Ctrl+B ...)
  return KeyKind::Navigation;
}

QChar TNumEdit::numberChar(QChar typed) {
  if (typed == QLatin1Char(',') || typed == QLatin1Char('.')) return kDecimal;
  if ((typed.isDigit() && typed.unicode() < 128) || typed == QLatin1Char('-')) return typed;
  return {};
}

void TNumEdit::keyPressEvent(QKeyEvent* e) {
  const KeyKind kind = keyKind(e);
  if (kind == KeyKind::Navigation) {
    QLineEdit::keyPressEvent(e);
    return;
  }
  e->accept();
  if (kind == KeyKind::Forbidden) return reject();
  // Read-only means read-only: only copying gets through.
  if (isReadOnly()) {
    if (kind == KeyKind::Clipboard && e->matches(QKeySequence::Copy)) return QLineEdit::keyPressEvent(e);
    return reject();
  }

  QChar ch;
  if (kind == KeyKind::Character) {
    ch = numberChar(e->text().at(0));
    if (ch.isNull()) return reject();
  }
  // Nothing may be typed in front of the minus sign.
  if (ch != QLatin1Char('-') && Value() < 0 && cursorPosition() == 0 && !hasSelectedText()) return reject();
  if (kind != KeyKind::Character) return QLineEdit::keyPressEvent(e);
  typeNumberChar(ch);
}

void TNumEdit::typeNumberChar(QChar ch) {
  if (ch == kDecimal && decimals_ == 0) return reject();
  const QString t = text();
  const bool wholeSelected = t.isEmpty() || (hasSelectedText() && selectedText().size() == t.size());
  if (ch == QLatin1Char('-') && !wholeSelected) return toggleSign();
  if (ch == kDecimal && !wholeSelected) return typeDecimal();
  insertKeepingDecimals(ch);
}

void TNumEdit::toggleSign() {
  const QString t = text();
  const int pos = cursorPosition();
  const long double v = Value();
  QString n = t;
  if (v > 0)
    n.prepend(QLatin1Char('-'));
  else if (v < 0)
    n.remove(0, 1);
  setText(n);
  setCursorPosition(n.size() + pos - t.size());
}

void TNumEdit::typeDecimal() {
  const QString t = text();
  const int pos = cursorPosition();
  const int at = t.indexOf(kDecimal);
  if (at >= 0) {
    setCursorPosition(at + 1);  // jump over the separator already there
    return;
  }
  if (t.size() - pos > decimals_) {
    setText(t.left(pos + decimals_));  // what follows the caret becomes the decimal part
    setCursorPosition(pos);
  }
  insert(QString(kDecimal));
}

void TNumEdit::insertKeepingDecimals(QChar ch) {
  // A full decimal part: a digit typed inside it overwrites (the last digit makes room); at
  // the end there is no room.
  const QString cur = text();
  const int pos = cursorPosition();
  const int at = cur.indexOf(kDecimal);
  if (at >= 0 && pos > at && !hasSelectedText() && cur.size() - at - 1 >= decimals_) {
    if (pos < cur.size()) {
      setText(cur.left(cur.size() - 1));
      setCursorPosition(pos);
    } else {
      return reject();
    }
  }
  insert(QString(ch));
}

void TNumEdit::focusInEvent(QFocusEvent* e) {
  rewriteFromValue();
  QLineEdit::focusInEvent(e);
  selectAll();
  selectOnClick_ = e->reason() == Qt::MouseFocusReason;
}

void TNumEdit::mousePressEvent(QMouseEvent* e) {
  QLineEdit::mousePressEvent(e);
  // The click that brought the focus selects the whole number, as entering by Tab does.
  if (selectOnClick_) selectAll();
  selectOnClick_ = false;
}

void TNumEdit::focusOutEvent(QFocusEvent* e) {
  selectOnClick_ = false;
  const Qt::FocusReason r = e->reason();
  // Switching windows or opening a menu is not leaving the field.
  const bool leaving = r != Qt::ActiveWindowFocusReason && r != Qt::PopupFocusReason;
  const long double v = Value();
  const bool inBounds = (MinValue == 0 && MaxValue == 0) || (MinValue <= v && v <= MaxValue);
  QLineEdit::focusOutEvent(e);
  update();
  if (!leaving || inBounds) {
    if (leaving) emit exited();
    return;
  }
  if (OnOutOfRange)
    OnOutOfRange();
  else
    reject();
  // Take the focus back once the focus change in progress is over.
  QTimer::singleShot(0, this, [this] {
    if (!isVisible() || !isEnabled()) return;
    setFocus(Qt::OtherFocusReason);
    selectAll();
  });
}

void TNumEdit::paintEvent(QPaintEvent* e) {
  if (hasFocus()) {
    QLineEdit::paintEvent(e);
    return;
  }
  QPainter p(this);
  QStyleOptionFrame panel;
  initStyleOption(&panel);
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &p, this);
  QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this);
  r = r.marginsRemoved(textMargins());
  const QRect inner = r.adjusted(kHorizontalMargin, kVerticalMargin, -kHorizontalMargin, -kVerticalMargin);
  p.setClipRect(r);
  const QString t = paintedText();
  const QFont f = paintedFont();
  p.setFont(f);
  const QFontMetrics fm(f);
  const int width = fm.horizontalAdvance(t);
  const Qt::Alignment a = QStyle::visualAlignment(layoutDirection(), alignment());
  int x = inner.left();
  if (a & Qt::AlignRight)
    x = inner.right() + 1 - width;
  else if (a & Qt::AlignHCenter)
    x = (inner.left() + inner.right() + 1 - width) / 2;
  const int y = inner.top() + (inner.height() - fm.height() + 1) / 2;
  p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
  p.drawText(x, y + fm.ascent(), t);
}

}  // namespace cotavia
