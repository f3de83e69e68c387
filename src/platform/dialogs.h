#pragma once
// The one dialog service of the program. Every message and confirmation box goes through it,
// so engines, tests and the command line run with no display. The GUI installs a widget-backed
// implementation at start; everything else gets the headless one.
#include <QString>
#include <QStringList>
#include <functional>

namespace cotavia {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Modal message with an OK button. An empty caption means the application title.
  virtual void message(const QString& text, const QString& caption = {}) = 0;
  // Error message (an exception's text reported by the default handler).
  virtual void error(const QString& text, const QString& caption = {}) = 0;
  // Yes/No question; true on Yes. The caption is "Confirme" unless given.
  virtual bool confirm(const QString& text, const QString& caption = {}) = 0;
  // A Yes/No question whose Yes destroys something (deletes or replaces a file): "Não" is the
  // button Enter presses, and Esc answers it too. The headless service takes it as confirm().
  virtual bool confirmDestructive(const QString& text, const QString& caption = {}) { return confirm(text, caption); }
  // Question with the buttons "Sim", "Não" and "Cancelar"; closing the box is Cancelar. The
  // caption is "Confirme" unless given. A service that cannot ask answers Cancelar.
  enum class Answer { Yes, No, Cancel };
  virtual Answer ask(const QString& text, const QString& caption = {});
  // The system beep of a rejected key.
  virtual void beep() = 0;
  // The file choosers; each returns an empty path when cancelled. `filter` lists the entries as
  // Qt's file dialogs take them ("Planilha do Excel (*.xlsx);;Texto separado por ; (*.csv)"); an
  // entry that names one extension gives it to a typed name without one.
  // Asks where to write a file, offering `suggested` (a path). `chosenFilter`, when given,
  // receives the filter entry the answer was given under.
  virtual QString saveFileName(const QString& caption, const QString& suggested, const QString& filter,
                               QString* chosenFilter = nullptr) = 0;
  // Asks for an existing file, starting in `folder`.
  virtual QString openFileName(const QString& caption, const QString& folder, const QString& filter) = 0;
  // Asks for a folder, starting in `start`.
  virtual QString folderName(const QString& caption, const QString& start) = 0;
};

// The installed service (never null: a headless one is installed by default).
Dialogs& dialogs();
// Installs a service; returns the previous one. Ownership stays with the caller.
Dialogs* setDialogs(Dialogs* d);

// The application title used as the default caption of messages.
QString applicationTitle();

// Headless service: records every box; confirmations take the queued answers (default No).
class HeadlessDialogs : public Dialogs {
 public:
  struct Entry {
    enum Kind { Message, Error, Confirm, Beep, Ask, SaveFile, OpenFile, Folder } kind;
    QString text;
    QString caption;
  };
  void message(const QString& text, const QString& caption = {}) override;
  void error(const QString& text, const QString& caption = {}) override;
  bool confirm(const QString& text, const QString& caption = {}) override;
  Answer ask(const QString& text, const QString& caption = {}) override;
  void beep() override;
  // The choosers record the question (text: the suggested path or the starting folder) and take
  // the next of `fileAnswers` (empty, a cancelled dialog, when none is queued).
  QString saveFileName(const QString& caption, const QString& suggested, const QString& filter,
                       QString* chosenFilter = nullptr) override;
  QString openFileName(const QString& caption, const QString& folder, const QString& filter) override;
  QString folderName(const QString& caption, const QString& start) override;

  QList<Entry> log;
  QStringList fileAnswers;    // consumed front first by the choosers
  QStringList filterAnswers;  // the save chooser's filter entries; the first entry when none is left
  QList<bool> answers;        // consumed front first by confirm()
  bool defaultAnswer = false;
  QList<Answer> choices;      // consumed front first by ask(); Cancel when none is left
  bool echoToStderr = false;  // the command line prints messages
  // Optional hook called for every entry (tests may use it to react).
  std::function<void(const Entry&)> onEntry;

  int count(Entry::Kind k) const;
  QString lastText() const { return log.isEmpty() ? QString() : log.last().text; }
  void clear() { log.clear(); }
};

// Installs a service for the lifetime of the guard and restores the previous one after.
class DialogsGuard {
 public:
  explicit DialogsGuard(Dialogs* d) : prev_(setDialogs(d)) {}
  ~DialogsGuard() { setDialogs(prev_); }
  DialogsGuard(const DialogsGuard&) = delete;
  DialogsGuard& operator=(const DialogsGuard&) = delete;

 private:
  Dialogs* prev_;
};

}  // namespace cotavia
