#pragma once
#include "platform/dialogs.h"

#include <QFont>

class QFileDialog;
class QMessageBox;
class QWidget;

namespace cotavia {

// File choosers with QFileDialog. Message boxes with QMessageBox: OK messages without icon, Yes/No
// confirmations. Each box uses the screens' font, opens centred on the window it belongs to (the
// active modal window, else the active window) and is at least as wide as its caption.
class QtDialogs : public Dialogs {
 public:
  QtDialogs();
  void message(const QString& text, const QString& caption = {}) override;
  void error(const QString& text, const QString& caption = {}) override;
  bool confirm(const QString& text, const QString& caption = {}) override;
  bool confirmDestructive(const QString& text, const QString& caption = {}) override;
  Answer ask(const QString& text, const QString& caption = {}) override;
  void beep() override;
  QString saveFileName(const QString& caption, const QString& suggested, const QString& filter,
                       QString* chosenFilter = nullptr) override;
  QString openFileName(const QString& caption, const QString& folder, const QString& filter) override;
  QString folderName(const QString& caption, const QString& start) override;

  // The font of the boxes (the screens' font).
  QFont font;

  // The window a box belongs to, or null when no window of the program is shown.
  static QWidget* owner();
  // Prepares a box as every box is shown: font, width for its lines and caption, centred on its
  // window. Public for tests.
  void prepare(QMessageBox& box) const;
  // Prepares a file dialog: its kinds of file in Portuguese, columns and filter list wide enough
  // for their texts. Public for tests.
  static void prepare(QFileDialog& d);
};

}  // namespace cotavia
