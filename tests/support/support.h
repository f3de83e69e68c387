#pragma once
// Helpers shared by the tests.
#include "platform/files.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>

namespace cotavia::test {

// Removes the save path's fault hook when it ends, however the test ends.
struct NoFaults {
  ~NoFaults() { setFileFaultHook({}); }
};

// A temporary folder deleted at the end of the test.
class TempDir {
 public:
  TempDir();
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath(name); }
  void write(const QString& name, const QByteArray& bytes) const;
  QByteArray read(const QString& name) const;
  bool exists(const QString& name) const;

 private:
  QTemporaryDir dir_;
};

// A small tmpfs mounted on a temporary folder for one test (root only), unmounted at the end.
// mounted() is false where mounting is not permitted: the test then skips.
class SmallFileSystem {
 public:
  explicit SmallFileSystem(int kib = 64);
  ~SmallFileSystem();
  bool mounted() const { return mounted_; }
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath(name); }
  // Fills the file system to the last byte with the file "filler".
  void fill() const;

 private:
  QTemporaryDir dir_;
  bool mounted_ = false;
};

// While it lives, the process runs under pt_BR.UTF-8 (comma decimals), built with localedef
// into a folder of its own (LOCPATH) when the system lacks it. active() is false only when it
// could not be built: the test then skips, saying so.
class PtBrLocale {
 public:
  PtBrLocale();
  ~PtBrLocale();
  bool active() const { return active_; }

 private:
  bool active_ = false;
  bool setLocpath_ = false;
  QByteArray old_, oldLocpath_;
};

void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
// Every file of a folder, hidden ones too, with its content: the same before and after, the
// folder was left as it was.
std::map<QString, QByteArray> folderSnapshot(const QString& folder);
// The repository's root (for demo files and the built program in CLI tests).
QString sourceDir();

// What a program run by a test did: exit code (-1 when it hung past a minute and was killed, -2
// when it crashed), standard output and error.
struct ProgramRun {
  int exitCode = -1;
  QByteArray out, err;
};
// Runs a program to its end with no display in its environment (it must run headless on its
// own).
ProgramRun runHeadless(const QString& program, const QStringList& args);
// What a tool of poppler-utils (pdftotext, pdfinfo, pdftoppm) prints for `args`; empty when it
// fails or is not installed. hasPoppler(): the tests that read PDFs back skip without them.
QString poppler(const QString& tool, const QStringList& args);
bool hasPoppler();

}  // namespace cotavia::test
