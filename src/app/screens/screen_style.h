#pragma once
// Fonts and small painted pieces shared by the proposal screens.
#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

class QApplication;
class QStyleOptionViewItem;

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

// The colour of the frame drawn round the control that has the focus.
inline const QColor kFocusColor(0, 84, 200);
// The screens' style: the platform's style with the focus made plain to see, since the whole
// flow runs on Enter: a frame round the focused button, field or box, and the selection of a
// list or grid in a strong colour while it has the focus and in grey when it has not.
void installScreenStyle(QApplication& app);
// The selection colours of an item view's cell as the view's focus asks (used by delegates
// that draw their own text).
void applySelectionColors(QStyleOptionViewItem& option, const QWidget* view);

}  // namespace cotavia
