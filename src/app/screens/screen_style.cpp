#include "app/screens/screen_style.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

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

void applySelectionColors(QStyleOptionViewItem& option, const QWidget* view) {
  const bool focused = view && view->hasFocus();
  const QColor back = focused ? QColor(0, 0, 128) : QColor(200, 200, 200);
  const QColor text = focused ? QColor(Qt::white) : QColor(Qt::black);
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
    option.palette.setColor(g, QPalette::Highlight, back);
    option.palette.setColor(g, QPalette::HighlightedText, text);
  }
}

namespace {

class ScreenStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    if (element == CE_ItemViewItem) {
      if (const auto* v = qstyleoption_cast<const QStyleOptionViewItem*>(option)) {
        QStyleOptionViewItem o(*v);
        applySelectionColors(o, widget);
        QProxyStyle::drawControl(element, &o, painter, widget);
        return;
      }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
    if (element == CE_PushButton && (option->state & State_HasFocus))
      focusFrame(painter, option->rect.adjusted(2, 2, -2, -2));
  }

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget) const override {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    // Selection boxes, number boxes and tool buttons: the same frame as the fields.
    if ((control == CC_ComboBox || control == CC_SpinBox || control == CC_ToolButton) &&
        (option->state & State_HasFocus))
      focusFrame(painter, option->rect);
  }

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    // Fields, framed or not: a frame while they take typing.
    if (element == PE_PanelLineEdit && (option->state & State_HasFocus)) {
      const auto* edit = qobject_cast<const QLineEdit*>(widget);
      if (!edit || !edit->isReadOnly()) focusFrame(painter, option->rect);
    }
  }

 private:
  static void focusFrame(QPainter* p, const QRect& r) {
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setBrush(Qt::NoBrush);
    p->setPen(QPen(kFocusColor, 2));
    p->drawRect(r.adjusted(1, 1, -1, -1));
    p->restore();
  }
};

}  // namespace

void installScreenStyle(QApplication& app) {
  QStyle* base = QStyleFactory::create(QStringLiteral("Fusion"));
  app.setStyle(new ScreenStyle(base));
}

}  // namespace cotavia
