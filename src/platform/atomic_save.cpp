// The atomic save: AtomicFile and the writes and copies made through it.
#include "platform/error.h"
#include "platform/file_parts.h"
#include "platform/files.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cotavia {

namespace {

FileFaultHook& faultHook() {
  static FileFaultHook hook;
  return hook;
}

std::atomic<unsigned> g_tempCounter{0};

}  // namespace

namespace fileparts {

int injected(FileStep step, const QString& file) {
  const FileFaultHook& h = faultHook();
  return h ? h(step, file) : 0;
}

QString folderOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf('/');
  if (slash < 0) return QStringLiteral(".");
  if (slash == 0) return QStringLiteral("/");
  return path.left(slash);
}

QString nameOf(const QString& path) { return path.mid(path.lastIndexOf('/') + 1); }

void syncFolder(const QString& folder) {
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace fileparts

using namespace fileparts;

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

}  // namespace cotavia
