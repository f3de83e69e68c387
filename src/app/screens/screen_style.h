#pragma once
// Fonts and small painted pieces shared by the proposal screens.
#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

namespace cotavia {

// The screens' proportional font (Liberation Sans) at a pixel size.
QFont sansFont(int pixelSize, bool bold = false, bool italic = false);
// The fixed-pitch font of the item grid and the tutorial (Liberation Mono).
QFont monoFont(int pixelSize, bool bold = false);

// A title drawn twice, black and then white a few pixels up and to the left, for a shadow.
class ShadowText : public QWidget {
 public:
  ShadowText(const QString& text, const QFont& font, QWidget* parent);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString text_;
};

// Makes a label-like widget draw over the window's background picture.
void makeTransparent(QWidget* w);

}  // namespace cotavia
