#include "app/screens/screen_style.h"

#include <QPainter>

namespace cotavia {

QFont sansFont(int pixelSize, bool bold, bool italic) {
  QFont f(QStringLiteral("Liberation Sans"));
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  f.setItalic(italic);
  return f;
}

QFont monoFont(int pixelSize, bool bold) {
  QFont f(QStringLiteral("Liberation Mono"));
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  return f;
}

ShadowText::ShadowText(const QString& text, const QFont& font, QWidget* parent) : QWidget(parent), text_(text) {
  setFont(font);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  resize(sizeHint());
}

QSize ShadowText::sizeHint() const {
  const QFontMetrics fm(font());
  return {fm.horizontalAdvance(text_) + 8, fm.height() + 6};
}

void ShadowText::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setFont(font());
  const int base = QFontMetrics(font()).ascent() + 3;
  p.setPen(Qt::black);
  p.drawText(5, base + 2, text_);
  p.setPen(Qt::white);
  p.drawText(2, base - 1, text_);
}

void makeTransparent(QWidget* w) {
  w->setAttribute(Qt::WA_TranslucentBackground);
  w->setAutoFillBackground(false);
}

}  // namespace cotavia
