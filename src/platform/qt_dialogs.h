#pragma once
#include "platform/dialogs.h"

namespace cotavia {

// Message boxes with QMessageBox: OK messages without icon, Yes/No confirmations.
class QtDialogs : public Dialogs {
public:
  void message(const QString& text, const QString& caption = {}) override;
  void error(const QString& text, const QString& caption = {}) override;
  bool confirm(const QString& text, const QString& caption = {}) override;
  Answer ask(const QString& text, const QString& caption = {}) override;
  void beep() override;
};

} // namespace cotavia
