#pragma once
// File helpers shared by every subsystem: the program folder, whole-file reads, line splitting,
// and atomic saves (temporary file in the same folder, then rename).
#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "platform/error.h"

namespace cotavia {

// The program's folder, decided once at start-up and handed to the windows that work in it.
struct ProgramFolder {
  QString path;
  bool created = false;  // this run created the installed copy's data folder (the start screen names it)
};
// `chosen` (--dir FOLDER) made absolute when given; otherwise the folder of the executable. An
// installed copy (its executable has ../share/cotavia/installed beside it) keeps its data in the
// folder "Cotavia" of the user's documents instead, created here on first use.
ProgramFolder programFolder(const QString& chosen = {});
// folder + "/" + name (plain concatenation, as the program forms every path).
QString joinPath(const QString& folder, const QString& name);

// Reads a whole file. Throws AppError naming the file ("File not found" for a missing one, kind
// NotRegular for a folder, FIFO or device: those are refused at once, never opened for reading).
QByteArray readWholeFile(const QString& path);
// The start of a file holding its first `lines` lines whole (splitLines() gives them), or the
// whole file when it has fewer; refused as readWholeFile refuses.
QByteArray readFileStart(const QString& path, int lines);
// Opens a regular file for reading and returns its descriptor (the caller closes it); anything
// else is refused as readWholeFile refuses it.
int openRegularFile(const QString& path);

// A file name as the system gives it (bytes), for the program's use. The program's file names
// are UTF-8: a name holding a byte that is not (a Latin-1 "preços" from an old pen drive) would be
// opened or written under another name, so it is refused (kind Refused), naming it with each such
// byte shown as \xNN.
QString fileNameFromBytes(const QByteArray& name);
// A name shown as its bytes are: UTF-8 characters as they are, any other byte as \xNN.
QString shownFileName(const QByteArray& name);
// The names in a folder that are not UTF-8, as their bytes: Qt's listing of the folder gives them
// as other names (or leaves them out), under which no file can be opened.
QList<QByteArray> namesNotUtf8(const QString& folder);

// Splits file content into lines. A line ends at CR LF, a lone LF or a lone CR.
// A final line without a line end counts; an empty content gives no lines.
QList<QByteArray> splitLines(const QByteArray& content);
// Where splitLines() cuts: each line's start and length in the content.
struct LineSpan {
  qsizetype at, size;
};
std::vector<LineSpan> lineSpans(const QByteArray& content);

// Every save of the program goes through AtomicFile: the bytes go to a temporary file of our own
// naming (".cotavia.<name>.<pid>.<n>.tmp") in the target's folder; every write, the flush, the
// fsync and the close are checked, and only then is the temporary file renamed over the target.
// On any failure the target stays exactly as it was, the temporary file is removed and AppError
// names the file (ENOSPC: "sem espaço no disco"). A symbolic link at the target is refused (kind
// Link) and so is a folder, FIFO or device (kind NotRegular): nothing is ever written through them.
// As a QIODevice it takes the bytes of writers that need one (PDF, report files); a failed write
// makes commit() throw the first failure.
class AtomicFile : public QIODevice {
 public:
  explicit AtomicFile(const QString& path);
  ~AtomicFile() override;  // removes the temporary file unless committed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  const QString& path() const { return path_; }
  // Checks the target and creates the temporary file. Throws AppError.
  void create();
  // Appends bytes; throws AppError on the first failure (later writes fail too).
  void writeAll(const char* data, qint64 size);
  void writeAll(const QByteArray& bytes) { writeAll(bytes.constData(), bytes.size()); }
  // Writes what is buffered, fsyncs and closes the temporary file (each step checked). Throws.
  void prepare();
  // Reads the prepared temporary file back from the disk and compares it with `expected`: a
  // difference (a medium that accepted writes it could not store) removes the temporary file and
  // throws AppError (kind BadCopy), the target untouched.
  void verify(const QByteArray& expected);
  // Renames the prepared temporary file over the target. Throws.
  void publish();
  // prepare() then publish().
  void commit();
  // Drops the temporary file; the target is untouched.
  void cancel();
  // Leaves the prepared temporary file for a journal to rename later.
  void keep();
  // The first failure of a write, flush, fsync, close or rename (null while there is none).
  const AppError* failure() const { return failure_.get(); }
  // The temporary file's name (empty before create()).
  const QString& temporaryPath() const { return temp_; }

  bool isSequential() const override { return true; }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override;

 private:
  void flushBuffer();
  [[noreturn]] void fail(int err, const QString& file);
  void discard();  // closes and removes the temporary file

  QString path_;
  QString temp_;
  int fd_ = -1;
  QByteArray buffer_;
  std::unique_ptr<AppError> failure_;
  bool prepared_ = false;
  bool done_ = false;
};

// The lines joined with CR LF, each line ended.
QByteArray crlfLines(const QList<QByteArray>& lines);
// Writes bytes atomically through AtomicFile.
void atomicWrite(const QString& path, const QByteArray& bytes);
// Joins the lines with CR LF (each line ended) and writes them atomically.
void atomicWriteLines(const QString& path, const QList<QByteArray>& lines);
// Copies src over dst atomically, the copy read back before it replaces dst (AtomicFile::verify);
// throws AppError naming the failing file.
void copyFileChecked(const QString& src, const QString& dst);

// Saves several files of one folder so that they agree: every file is first written whole to its
// temporary file; then a journal (FOLDER/.cotavia.<key>.journal) lists the renames still to be
// done, the renames are made and the journal removed. A save killed before the journal leaves the
// old files; one killed after it is finished by finishInterruptedSave(). Throws AppError.
struct FileContent {
  QString path;  // in `folder`
  QByteArray bytes;
};
void saveTogether(const QString& folder, const QString& key, const QList<FileContent>& files);

// Refuses (kind Refused, naming the file) a name of a file to be saved in `folder` whose bytes on
// disk are more than `longest`, before anything is written.
void checkSaveName(const QString& folder, const QString& name, qsizetype longest);

// The lock of one proposal during a save: flock on FOLDER/.cotavia.<key>.lock. A second program
// or command saving the same proposal waits up to `waitMs`, then is refused (kind Busy). The lock
// file is removed when the lock is released (one a killed save left is removed by the next
// finishInterruptedSave).
class SaveLock {
 public:
  // `waiting`, when given, is called between the tries while another save holds the lock (a
  // window keeps its event loop running there instead of freezing).
  SaveLock(const QString& folder, const QString& key, int waitMs = 3000, const std::function<void()>& waiting = {});
  ~SaveLock();
  SaveLock(const SaveLock&) = delete;
  SaveLock& operator=(const SaveLock&) = delete;

 private:
  QString path_;
  int fd_ = -1;
};

// Finishes a save of `key` that a kill interrupted after its journal was written (the response
// file is already in place: its copy and the supplier file follow it), and removes temporary files
// of our naming left by programs no longer running and lock files no save holds. Nothing happens when there is no
// journal. Call it before loading a proposal and at start-up. Throws AppError.
void finishInterruptedSave(const QString& folder, const QString& key);
// The same while the caller holds the proposal's lock (a save about to write).
void finishInterruptedSave(const QString& folder, const QString& key, const SaveLock& held);
// The same for every proposal of the folder that has a journal (start-up).
void finishInterruptedSaves(const QString& folder);
// Removes the temporary files of our naming in a folder whose writer is no longer running (a save
// or export killed halfway), except those a journal still needs, and lock files no save holds.
void removeStaleTemporaryFiles(const QString& folder);

// Tests only: the steps of a save where a fault can be injected. The hook is called before each
// step with the file it touches; a non-zero errno makes the step fail with it.
enum class FileStep { Create, Write, Sync, Close, Rename, ReadBack };
using FileFaultHook = std::function<int(FileStep, const QString&)>;
void setFileFaultHook(FileFaultHook hook);

}  // namespace cotavia
