#include "platform/dialogs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

namespace cotavia {

namespace {
HeadlessDialogs& fallback() {
  static HeadlessDialogs d;
  return d;
}
Dialogs* g_current = nullptr;
}  // namespace

Dialogs& dialogs() { return g_current ? *g_current : fallback(); }

Dialogs* setDialogs(Dialogs* d) {
  Dialogs* prev = g_current;
  g_current = d;
  return prev;
}

Dialogs::Answer Dialogs::ask(const QString&, const QString&) { return Answer::Cancel; }

QString applicationTitle() {
  // The program file's name without extension, letters after the first in lower case.
  QString name = QCoreApplication::instance() ? QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()
                                              : QStringLiteral("cotavia");
  if (name.isEmpty()) name = QStringLiteral("cotavia");
  return name.left(1).toUpper() + name.mid(1).toLower();
}

static void record(HeadlessDialogs& d, HeadlessDialogs::Entry::Kind k, const QString& text, const QString& caption) {
  HeadlessDialogs::Entry e{k, text, caption};
  d.log.append(e);
  const bool box = k == HeadlessDialogs::Entry::Message || k == HeadlessDialogs::Entry::Error ||
                   k == HeadlessDialogs::Entry::Confirm || k == HeadlessDialogs::Entry::Ask;
  if (d.echoToStderr && box) {
    QByteArray t = text.toUtf8();
    t.replace('\r', '\n');
    std::fprintf(stderr, "%s\n", t.constData());
  }
  if (d.onEntry) d.onEntry(e);
}

void HeadlessDialogs::message(const QString& text, const QString& caption) {
  record(*this, Entry::Message, text, caption);
}
void HeadlessDialogs::error(const QString& text, const QString& caption) { record(*this, Entry::Error, text, caption); }
bool HeadlessDialogs::confirm(const QString& text, const QString& caption) {
  record(*this, Entry::Confirm, text, caption.isEmpty() ? QStringLiteral("Confirme") : caption);
  if (!answers.isEmpty()) return answers.takeFirst();
  return defaultAnswer;
}
Dialogs::Answer HeadlessDialogs::ask(const QString& text, const QString& caption) {
  record(*this, Entry::Ask, text, caption.isEmpty() ? QStringLiteral("Confirme") : caption);
  if (!choices.isEmpty()) return choices.takeFirst();
  return Answer::Cancel;
}
void HeadlessDialogs::beep() { record(*this, Entry::Beep, {}, {}); }
static QString nextAnswer(QStringList& queue) { return queue.isEmpty() ? QString() : queue.takeFirst(); }
QString HeadlessDialogs::saveFileName(const QString& caption, const QString& suggested, const QString& filter,
                                      QString* chosenFilter) {
  record(*this, Entry::SaveFile, suggested, caption);
  const QString entry = nextAnswer(filterAnswers);
  if (chosenFilter) *chosenFilter = entry.isEmpty() ? filter.section(QStringLiteral(";;"), 0, 0) : entry;
  return nextAnswer(fileAnswers);
}
QString HeadlessDialogs::openFileName(const QString& caption, const QString& folder, const QString&) {
  record(*this, Entry::OpenFile, folder, caption);
  return nextAnswer(fileAnswers);
}
QString HeadlessDialogs::folderName(const QString& caption, const QString& start) {
  record(*this, Entry::Folder, start, caption);
  return nextAnswer(fileAnswers);
}

int HeadlessDialogs::count(Entry::Kind k) const {
  int n = 0;
  for (const auto& e : log)
    if (e.kind == k) ++n;
  return n;
}

}  // namespace cotavia
