#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QAbstractButton>
#include <QMessageBox>
#include <algorithm>

namespace cotavia {

static QString shown(QString text) {
  // Message texts use single carriage returns as line breaks.
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace('\r', '\n');
  return text;
}

// QMessageBox wraps long lines at a narrow width of its own; messages that carry their own line
// breaks are kept as written, up to the screen's width.
static void fitLines(QMessageBox& box) {
  const QFontMetrics fm(box.font());
  int widest = 0;
  for (const QString& line : box.text().split('\n')) widest = std::max(widest, fm.horizontalAdvance(line));
  widest = std::min(widest + 8, 1000);
  if (widest > 300) box.setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { min-width: %1px; }").arg(widest));
}

void QtDialogs::message(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::NoIcon, caption.isEmpty() ? applicationTitle() : caption, shown(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  fitLines(box);
  box.exec();
}

void QtDialogs::error(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Critical, caption.isEmpty() ? applicationTitle() : caption, shown(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  fitLines(box);
  box.exec();
}

bool QtDialogs::confirm(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Question, caption.isEmpty() ? QStringLiteral("Confirme") : caption, shown(text),
                  QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
  box.setDefaultButton(QMessageBox::Yes);
  fitLines(box);
  return box.exec() == QMessageBox::Yes;
}

Dialogs::Answer QtDialogs::ask(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Question, caption.isEmpty() ? QStringLiteral("Confirme") : caption, shown(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QApplication::activeWindow());
  box.button(QMessageBox::Yes)->setText(QStringLiteral("Sim"));
  box.button(QMessageBox::No)->setText(QStringLiteral("Não"));
  box.button(QMessageBox::Cancel)->setText(QStringLiteral("Cancelar"));
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  fitLines(box);
  switch (box.exec()) {
  case QMessageBox::Yes:
    return Answer::Yes;
  case QMessageBox::No:
    return Answer::No;
  default:
    return Answer::Cancel;
  }
}

void QtDialogs::beep() { QApplication::beep(); }

} // namespace cotavia
