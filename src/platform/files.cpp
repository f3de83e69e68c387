#include "platform/files.h"

#include "platform/error.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <functional>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cotavia {

namespace {

AppError notRegular(const QString& path, const char* outcome) {
  return AppError(ErrorKind::NotRegular, path,
                  std::string("não é um arquivo comum (é uma pasta, um pipe ou um dispositivo); ") + outcome);
}

AppError linkRefused(const QString& path) {
  return AppError(ErrorKind::Link, path,
                  "é um link simbólico: o programa não grava através de links; nada foi alterado. "
                  "Apague o link ou troque-o por um arquivo comum");
}

}  // namespace

ProgramFolder programFolder(const QString& chosen) {
  if (!chosen.isEmpty()) return {QDir(chosen).absolutePath()};
  if (!QCoreApplication::instance()) return {QDir::currentPath()};
  const QString exeDir = QCoreApplication::applicationDirPath();
  if (!QFileInfo::exists(exeDir + "/../share/cotavia/installed")) return {exeDir};
  QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (docs.isEmpty()) docs = QDir::homePath();
  const QString folder = QDir(docs).filePath("Cotavia");
  return {folder, !QFileInfo::exists(folder) && QDir().mkpath(folder)};
}

QString joinPath(const QString& folder, const QString& name) {
  if (folder.endsWith('/')) return folder + name;
  return folder + '/' + name;
}

namespace {

// Appends what is read from `fd` to `data`, in blocks, until `enough` says the bytes read so far
// are enough (given the last block) or the file ends. Returns 0, or the errno of a failed read.
int readBlocks(int fd, QByteArray& data, const std::function<bool(const char*, qsizetype)>& enough) {
  char buf[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    data.append(buf, n);
    if (enough && enough(buf, n)) return 0;
  }
}

// Reads a file from its start until `enough` says so (readBlocks) or the file ends.
QByteArray readFileUntil(const QString& path, const std::function<bool(const char*, qsizetype)>& enough) {
  const int fd = openRegularFile(path);
  struct stat st {};
  qint64 expected = ::fstat(fd, &st) == 0 ? qint64(st.st_size) : 0;
  QByteArray data;
  if (!enough) data.reserve(qMax<qint64>(expected, 0) + 1);
  const int err = readBlocks(fd, data, enough);
  ::close(fd);
  if (err) throw systemError(path, err);
  return data;
}

}  // namespace

QByteArray readWholeFile(const QString& path) { return readFileUntil(path, nullptr); }

QByteArray readFileStart(const QString& path, int lines) {
  // Each line ends in at most two line-end bytes: with 2 * lines + 1 of them read, the first
  // `lines` lines and their ends are whole.
  qsizetype ends = 0;
  return readFileUntil(path, [&](const char* block, qsizetype n) {
    for (qsizetype i = 0; i < n; ++i) ends += block[i] == '\n' || block[i] == '\r';
    return ends > 2 * qsizetype(lines);
  });
}

int openRegularFile(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  // Looked at before opening: opening a FIFO or a device could block or act on the device.
  struct stat st {};
  if (::stat(name.constData(), &st) != 0) {
    if (errno == ENOENT) throw AppError(ErrorKind::NotFound, path, "File not found");
    throw systemError(path, errno);
  }
  if (!S_ISREG(st.st_mode)) throw notRegular(path, "nada foi lido");
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) throw AppError(ErrorKind::NotFound, path, "File not found");
    throw systemError(path, errno);
  }
  // Replaced between the look and the open: checked again on what was opened.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw notRegular(path, "nada foi lido");
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

QString shownFileName(const QByteArray& name) {
  QString shown;
  for (qsizetype i = 0; i < name.size();) {
    // The longest valid UTF-8 character starting here, else the byte on its own.
    qsizetype len = 0;
    for (qsizetype n = 4; n >= 1 && !len; --n) {
      if (i + n > name.size()) continue;
      const QByteArray chunk = name.mid(i, n);
      const QString c = QString::fromUtf8(chunk);
      if (!c.contains(QChar::ReplacementCharacter) && c.toUtf8() == chunk && c.toUcs4().size() == 1) len = n;
    }
    if (len) {
      shown += QString::fromUtf8(name.mid(i, len));
      i += len;
    } else {
      shown += QStringLiteral("\\x") + QString::number(uchar(name[i]), 16).toUpper().rightJustified(2, '0');
      ++i;
    }
  }
  return shown;
}

QString fileNameFromBytes(const QByteArray& name) {
  const QString decoded = QFile::decodeName(name);
  if (QFile::encodeName(decoded) == name) return decoded;
  throw AppError(ErrorKind::Refused, shownFileName(name),
                 "o nome tem letras gravadas numa codificação antiga (não UTF-8, como os nomes de um pen drive "
                 "antigo), e o programa leria ou gravaria outro arquivo no lugar dele; nada foi feito. Renomeie "
                 "o arquivo (ou a pasta) com outro nome e tente de novo");
}

QList<QByteArray> namesNotUtf8(const QString& folder) {
  QList<QByteArray> names;
  DIR* dir = ::opendir(QFile::encodeName(folder).constData());
  if (!dir) return names;
  while (const dirent* e = ::readdir(dir)) {
    const QByteArray name(e->d_name);
    if (QFile::encodeName(QFile::decodeName(name)) != name) names.append(name);
  }
  ::closedir(dir);
  return names;
}

std::vector<LineSpan> lineSpans(const QByteArray& content) {
  std::vector<LineSpan> lines;
  const qsizetype n = content.size();
  const char* d = content.constData();
  qsizetype start = 0;
  for (qsizetype i = 0; i < n; ++i) {
    const char c = d[i];
    if (c != '\n' && c != '\r') continue;
    lines.push_back({start, i - start});
    if (c == '\r' && i + 1 < n && d[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) lines.push_back({start, n - start});
  return lines;
}

QList<QByteArray> splitLines(const QByteArray& content) {
  QList<QByteArray> lines;
  const std::vector<LineSpan> spans = lineSpans(content);
  lines.reserve(qsizetype(spans.size()));
  for (const LineSpan& l : spans) lines.append(content.mid(l.at, l.size));
  return lines;
}

// ---------------------------------------------------------------------------------------------
// Saving

namespace {

FileFaultHook& faultHook() {
  static FileFaultHook hook;
  return hook;
}

int injected(FileStep step, const QString& file) {
  const FileFaultHook& h = faultHook();
  return h ? h(step, file) : 0;
}

const char kOwnPrefix[] = ".cotavia.";

QString folderOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf('/');
  if (slash < 0) return QStringLiteral(".");
  if (slash == 0) return QStringLiteral("/");
  return path.left(slash);
}

QString nameOf(const QString& path) { return path.mid(path.lastIndexOf('/') + 1); }

// Makes the renames in a folder durable; a file system that cannot sync a folder is left as is.
void syncFolder(const QString& folder) {
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

QString journalPath(const QString& folder, const QString& key) {
  return joinPath(folder, QLatin1String(kOwnPrefix) + key + QStringLiteral(".journal"));
}

QString lockPath(const QString& folder, const QString& key) {
  return joinPath(folder, QLatin1String(kOwnPrefix) + key + QStringLiteral(".lock"));
}

// ".cotavia.<name>.<pid>.<unique>.tmp": the process that wrote a temporary file of ours.
qint64 writerOf(const QString& name) {
  if (!name.startsWith(QLatin1String(kOwnPrefix)) || !name.endsWith(QLatin1String(".tmp"))) return 0;
  const QStringList parts = name.split('.');
  if (parts.size() < 6) return 0;
  bool ok = false;
  const qint64 pid = parts[parts.size() - 3].toLongLong(&ok);
  return ok && pid > 0 ? pid : 0;
}

bool plainName(const QString& n) {
  return !n.isEmpty() && n != "." && n != ".." && !n.contains('/') && !n.contains(QChar(0));
}

struct Rename {
  QString temp, target;  // names in the folder
};

// A journal lists one rename a line, "<temporary name>\t<target name>". Its first version held
// the names as they are, which a name holding a tab or a line end breaks; the second holds them
// percent-encoded, so any name a folder can hold is read back as it was written.
const char kJournalV1[] = "cotavia-journal 1";
const char kJournalV2[] = "cotavia-journal 2";

QByteArray journalName(const QString& name) { return QFile::encodeName(name).toPercentEncoding(); }

// The renames a journal lists. Throws AppError (Damaged) on anything but our own format.
QList<Rename> readJournal(const QString& path) {
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode)) throw linkRefused(path);
  const QList<QByteArray> lines = readWholeFile(path).split('\n');
  auto damaged = [&] {
    return AppError(ErrorKind::Damaged, path,
                    "o registro de uma gravação interrompida está ilegível; apague este arquivo e grave de novo");
  };
  if (lines.isEmpty() || (lines[0] != kJournalV1 && lines[0] != kJournalV2)) throw damaged();
  const bool encoded = lines[0] == kJournalV2;
  QList<Rename> renames;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    if (lines[i].isEmpty()) continue;
    const QList<QByteArray> f = lines[i].split('\t');
    if (f.size() != 2) throw damaged();
    Rename r = encoded ? Rename{QFile::decodeName(QByteArray::fromPercentEncoding(f[0])),
                                QFile::decodeName(QByteArray::fromPercentEncoding(f[1]))}
                       : Rename{QString::fromUtf8(f[0]), QString::fromUtf8(f[1])};
    if (!plainName(r.temp) || !plainName(r.target) || writerOf(r.temp) == 0) throw damaged();
    renames.append(r);
  }
  return renames;
}

}  // namespace

// Removes temporary files of our naming whose writer is no longer running, except those a
// journal still needs, and lock files no save holds.
void removeStaleTemporaryFiles(const QString& folder) {
  const QDir dir(folder);
  const QStringList ours = dir.entryList({QLatin1String(kOwnPrefix) + "*"}, QDir::Files | QDir::Hidden | QDir::System);
  QSet<QString> needed;
  for (const QString& n : ours) {
    if (!n.endsWith(QLatin1String(".journal"))) continue;
    try {
      for (const Rename& r : readJournal(joinPath(folder, n))) needed.insert(r.temp);
    } catch (const AppError&) {
      return;  // a journal we cannot read: keep everything
    }
  }
  for (const QString& n : ours) {
    if (n.endsWith(QLatin1String(".lock"))) {
      // Left by a killed save: taken and released (which removes it) unless a save holds it.
      const QString key = n.mid(int(sizeof kOwnPrefix) - 1, n.size() - int(sizeof kOwnPrefix) + 1 - 5);
      try {
        const SaveLock probe(folder, key, 0);
      } catch (const AppError&) {
      }
      continue;
    }
    const qint64 pid = writerOf(n);
    if (pid == 0 || needed.contains(n)) continue;
    if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue;
    ::unlink(QFile::encodeName(joinPath(folder, n)).constData());
  }
}

namespace {

// Makes the renames a journal lists (those not made yet) and removes the journal. The caller
// holds the proposal's lock.
void finishJournal(const QString& folder, const QString& key) {
  const QString path = journalPath(folder, key);
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return;
  const QList<Rename> renames = readJournal(path);
  for (const Rename& r : renames) {
    const QString temp = joinPath(folder, r.temp), target = joinPath(folder, r.target);
    if (::lstat(QFile::encodeName(temp).constData(), &st) != 0) continue;  // renamed before the kill
    if (!S_ISREG(st.st_mode)) continue;
    if (::lstat(QFile::encodeName(target).constData(), &st) == 0 && S_ISLNK(st.st_mode)) throw linkRefused(target);
    if (int e = injected(FileStep::Rename, target)) throw systemError(target, e);
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0)
      throw systemError(target, errno);
  }
  syncFolder(folder);
  ::unlink(QFile::encodeName(path).constData());
}

std::atomic<unsigned> g_tempCounter{0};

}  // namespace

void setFileFaultHook(FileFaultHook hook) { faultHook() = std::move(hook); }

AtomicFile::AtomicFile(const QString& path) : path_(path) {}

AtomicFile::~AtomicFile() {
  if (!done_) cancel();
}

void AtomicFile::create() {
  const QByteArray target = QFile::encodeName(path_);
  struct stat st {};
  bool keepMode = false;
  if (::lstat(target.constData(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) throw linkRefused(path_);
    if (!S_ISREG(st.st_mode)) throw notRegular(path_, "nada foi gravado");
    keepMode = true;
  } else if (errno != ENOENT) {
    throw systemError(path_, errno);
  }
  // A name a file name can hold whatever the target's length: at most 100 bytes of the target's
  // name, cut before a character, not inside one.
  QByteArray cut = QFile::encodeName(nameOf(path_));
  if (cut.size() > 100) {
    qsizetype end = 100;
    while (end > 0 && (uchar(cut[end]) & 0xC0) == 0x80) --end;
    cut.truncate(end);
  }
  const QString base = QFile::decodeName(cut);
  const QString folder = folderOf(path_);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const QString temp = joinPath(folder, QLatin1String(kOwnPrefix) + base +
                                              QStringLiteral(".%1.%2%3.tmp")
                                                  .arg(qint64(::getpid()))
                                                  .arg(g_tempCounter++)
                                                  .arg(QRandomGenerator::global()->generate(), 0, 36));
    if (int e = injected(FileStep::Create, path_)) throw systemError(path_, e);
    // O_EXCL and O_NOFOLLOW: never a file or a link someone placed at that name.
    const int fd =
        ::open(QFile::encodeName(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      throw systemError(path_, errno);
    }
    if (keepMode) ::fchmod(fd, st.st_mode & 07777);
    fd_ = fd;
    temp_ = temp;
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return;
  }
  throw systemError(path_, EEXIST);
}

void AtomicFile::fail(int err, const QString& file) {
  failure_ = std::make_unique<AppError>(systemError(file, err));
  setErrorString(QString::fromStdString(failure_->detail()));
  // The temporary file goes now; the device stays open, so a writer going on with its bytes gets
  // a failed write each time instead of Qt's warning that the device is not open.
  discard();
  throw *failure_;
}

void AtomicFile::flushBuffer() {
  const char* p = buffer_.constData();
  qint64 left = buffer_.size();
  while (left > 0) {
    if (int e = injected(FileStep::Write, path_)) fail(e, path_);
    const ssize_t n = ::write(fd_, p, size_t(left));
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno, path_);
    }
    if (n == 0) fail(EIO, path_);
    p += n;
    left -= n;
  }
  buffer_.clear();
}

void AtomicFile::writeAll(const char* data, qint64 size) {
  if (failure_) throw *failure_;
  if (fd_ < 0) throw AppError(ErrorKind::Io, path_, "o arquivo não está aberto para gravação");
  constexpr qint64 kBlock = 64 * 1024;
  if (buffer_.size() + size < kBlock) {
    buffer_.append(data, size);
    return;
  }
  flushBuffer();
  if (size < kBlock) {
    buffer_.append(data, size);
    return;
  }
  buffer_ = QByteArray::fromRawData(data, size);
  flushBuffer();
  buffer_ = QByteArray();
}

qint64 AtomicFile::writeData(const char* data, qint64 size) {
  try {
    writeAll(data, size);
  } catch (const AppError& e) {
    setErrorString(QString::fromStdString(e.detail()));
    return -1;
  }
  return size;
}

void AtomicFile::prepare() {
  if (failure_) throw *failure_;
  if (prepared_) return;
  if (fd_ < 0) throw AppError(ErrorKind::Io, path_, "o arquivo não está aberto para gravação");
  flushBuffer();
  // On the disk before the rename: a power cut cannot leave an empty file in its place.
  if (int e = injected(FileStep::Sync, path_)) fail(e, path_);
  if (::fsync(fd_) != 0) fail(errno, path_);
  if (int e = injected(FileStep::Close, path_)) fail(e, path_);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) fail(errno, path_);
  QIODevice::close();
  prepared_ = true;
}

void AtomicFile::verify(const QByteArray& expected) {
  if (failure_) throw *failure_;
  if (!prepared_) throw AppError(ErrorKind::Io, path_, "o arquivo não foi preparado para gravação");
  const QByteArray temp = QFile::encodeName(temp_);
  const int fd = ::open(temp.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) fail(errno, path_);
  // The pages just written are dropped from memory, so that what is read comes from the medium
  // where the file system allows it, not from what the program handed over.
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  if (int e = injected(FileStep::ReadBack, path_)) {
    ::close(fd);
    fail(e, path_);
  }
  QByteArray back;
  back.reserve(expected.size() + 1);
  // A copy longer than the original is told apart once it is; the rest need not be read.
  const int err = readBlocks(fd, back, [&](const char*, qsizetype) { return back.size() > expected.size(); });
  ::close(fd);
  if (err) fail(err, path_);
  if (back == expected) return;
  failure_ = std::make_unique<AppError>(
      ErrorKind::BadCopy, path_,
      QStringLiteral("lida de volta, a cópia não confere com o original (%1 bytes lidos, %2 gravados); a cópia foi "
                     "apagada")
          .arg(back.size())
          .arg(expected.size())
          .toStdString());
  discard();
  throw *failure_;
}

void AtomicFile::publish() {
  if (failure_) throw *failure_;
  if (!prepared_) throw AppError(ErrorKind::Io, path_, "o arquivo não foi preparado para gravação");
  struct stat st {};
  const QByteArray target = QFile::encodeName(path_);
  if (::lstat(target.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
    cancel();
    throw linkRefused(path_);
  }
  if (int e = injected(FileStep::Rename, path_)) fail(e, path_);
  if (::rename(QFile::encodeName(temp_).constData(), target.constData()) != 0) fail(errno, path_);
  done_ = true;
  temp_.clear();
  syncFolder(folderOf(path_));
}

void AtomicFile::commit() {
  prepare();
  publish();
}

void AtomicFile::discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.isEmpty() && !done_) ::unlink(QFile::encodeName(temp_).constData());
  temp_.clear();
  buffer_.clear();
}

void AtomicFile::cancel() {
  discard();
  if (isOpen()) QIODevice::close();
}

void AtomicFile::keep() {
  done_ = true;
  temp_.clear();
}

QByteArray crlfLines(const QList<QByteArray>& lines) {
  qsizetype total = 0;
  for (const auto& l : lines) total += l.size() + 2;
  QByteArray out;
  out.reserve(total);
  for (const auto& l : lines) {
    out.append(l);
    out.append("\r\n", 2);
  }
  return out;
}

void atomicWrite(const QString& path, const QByteArray& bytes) {
  AtomicFile f(path);
  f.create();
  f.writeAll(bytes);
  f.commit();
}

void atomicWriteLines(const QString& path, const QList<QByteArray>& lines) { atomicWrite(path, crlfLines(lines)); }

void copyFileChecked(const QString& src, const QString& dst) {
  const QByteArray data = readWholeFile(src);
  if (QFileInfo(src).canonicalFilePath() == QFileInfo(dst).canonicalFilePath() && QFileInfo::exists(dst))
    return;  // copying a file onto itself leaves it as it is
  AtomicFile f(dst);
  f.create();
  f.writeAll(data);
  f.prepare();
  f.verify(data);
  f.publish();
}

void saveTogether(const QString& folder, const QString& key, const QList<FileContent>& files) {
  std::vector<std::unique_ptr<AtomicFile>> parts;
  QByteArray journal = QByteArray(kJournalV2) + '\n';
  for (const FileContent& f : files) {
    parts.push_back(std::make_unique<AtomicFile>(f.path));
    AtomicFile& a = *parts.back();
    a.create();
    a.writeAll(f.bytes);
    a.prepare();
    journal += journalName(nameOf(a.temporaryPath())) + '\t' + journalName(nameOf(f.path)) + '\n';
  }
  const QString jpath = journalPath(folder, key);
  atomicWrite(jpath, journal);
  // From here on the save is decided: the renames are the journal's, made as an interrupted save
  // is finished, and what a failure leaves undone is finished the next time.
  for (auto& a : parts) a->keep();
  try {
    finishJournal(folder, key);
  } catch (const AppError& e) {
    throw AppError(e.kind(), e.file(),
                   e.detail() + "; a gravação será concluída na próxima vez que a proposta for aberta ou gravada");
  }
}

void checkSaveName(const QString& folder, const QString& name, qsizetype longest) {
  const qsizetype size = QFile::encodeName(name).size();
  if (size <= longest) return;
  throw AppError(ErrorKind::Refused, joinPath(folder, name),
                 QStringLiteral("o nome deste arquivo é longo demais para que a proposta seja gravada (%1 bytes; "
                                "no máximo %2): renomeie o arquivo com um nome mais curto e abra-o de novo")
                     .arg(size)
                     .arg(longest)
                     .toStdString());
}

SaveLock::SaveLock(const QString& folder, const QString& key, int waitMs, const std::function<void()>& waiting)
    : path_(lockPath(folder, key)) {
  // The longest file of our own for a proposal is its journal.
  checkSaveName(folder, key, NAME_MAX - qsizetype(sizeof kOwnPrefix - 1 + sizeof ".journal" - 1));
  const QByteArray name = QFile::encodeName(path_);
  QElapsedTimer waited;
  waited.start();
  for (;;) {
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == ELOOP) throw linkRefused(path_);
      // Named by the proposal: a read-only folder, say, is the proposal's problem, not the lock's.
      throw systemError(joinPath(folder, key), errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      throw notRegular(path_, "nada foi gravado");
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      // The holder before us may have removed the file after we opened it: lock the one in place.
      struct stat now {};
      if (::stat(name.constData(), &now) == 0 && now.st_ino == st.st_ino && now.st_dev == st.st_dev) {
        fd_ = fd;
        return;
      }
      ::close(fd);
      continue;
    }
    const int err = errno;
    ::close(fd);
    // A file system without locks (some network shares): the save goes on unlocked, as before.
    if (err == ENOLCK || err == EOPNOTSUPP || err == ENOSYS || err == EINVAL) return;
    if (err != EWOULDBLOCK) throw systemError(joinPath(folder, key), err);
    if (waited.elapsed() >= waitMs)
      throw AppError(ErrorKind::Busy, joinPath(folder, key),
                     "outra gravação desta proposta está em andamento (em outra janela ou comando); "
                     "espere ela terminar e tente de novo");
    if (waiting) {
      // Short naps between the calls, so the caller's events are handled while it waits.
      for (int i = 0; i < 5; ++i) {
        waiting();
        QThread::msleep(10);
      }
    } else {
      QThread::msleep(50);
    }
  }
}

SaveLock::~SaveLock() {
  if (fd_ < 0) return;
  // Removed while still held, so whoever opens it next makes a new one (see the constructor).
  ::unlink(QFile::encodeName(path_).constData());
  ::close(fd_);
}

void finishInterruptedSave(const QString& folder, const QString& key, const SaveLock&) {
  finishJournal(folder, key);
  removeStaleTemporaryFiles(folder);
}

void finishInterruptedSave(const QString& folder, const QString& key) {
  struct stat st {};
  if (::lstat(QFile::encodeName(journalPath(folder, key)).constData(), &st) == 0) {
    SaveLock lock(folder, key);
    finishJournal(folder, key);
  }
  removeStaleTemporaryFiles(folder);
}

void finishInterruptedSaves(const QString& folder) {
  const QString prefix = QLatin1String(kOwnPrefix);
  const QStringList journals =
      QDir(folder).entryList({prefix + "*.journal"}, QDir::Files | QDir::Hidden | QDir::System);
  for (const QString& j : journals) {
    const QString key = j.mid(prefix.size(), j.size() - prefix.size() - int(sizeof(".journal") - 1));
    if (!key.isEmpty()) {
      SaveLock lock(folder, key);
      finishJournal(folder, key);
    }
  }
  removeStaleTemporaryFiles(folder);
}

}  // namespace cotavia
