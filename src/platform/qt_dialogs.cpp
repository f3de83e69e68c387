#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace cotavia {

static QString shown(QString text) {
  // Message texts use single carriage returns as line breaks.
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace('\r', '\n');
  return text;
}

void QtDialogs::message(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::NoIcon, caption.isEmpty() ? applicationTitle() : caption, shown(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

void QtDialogs::error(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Critical, caption.isEmpty() ? applicationTitle() : caption, shown(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

bool QtDialogs::confirm(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Question, caption.isEmpty() ? QStringLiteral("Confirme") : caption, shown(text),
                  QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

void QtDialogs::beep() { QApplication::beep(); }

} // namespace cotavia
