#include "report/pages/rp_stream.h"

#include "platform/files.h"
#include "report/pages/rp_types.h"

#include <QDir>
#include <QtEndian>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace cotavia {

// ---------------------------------------------------------------------------------------------
// TRpStream

namespace {
// The spill file's failures name the system's temporary folder and TMPDIR, where it lives.
[[noreturn]] void tempFolderFailed(int err) {
  const AppError e = tempFolderError(err);
  throw ERpError(e.kind(), e.file(), QString::fromStdString(e.detail()));
}
}  // namespace

TRpStream::TRpStream(qint64 memoryLimit) : limit_(memoryLimit) {}

std::unique_ptr<TRpStream> TRpStream::openFile(const QString& fileName) {
  std::unique_ptr<TRpStream> s(new TRpStream());
  int fd = -1;
  try {
    fd = openRegularFile(fileName);  // a FIFO or a device is refused, never waited on
  } catch (const AppError& e) {
    throw ERpError(
        QStringLiteral("Cannot open the report file \"%1\": %2").arg(fileName, QString::fromStdString(e.detail())));
  }
  s->file_ = std::make_unique<QFile>();
  if (!s->file_->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    throw ERpError(QStringLiteral("Cannot open the report file \"%1\": %2").arg(fileName, s->file_->errorString()));
  }
  s->fileName_ = fileName;
  s->dev_ = s->file_.get();
  s->inMemory_ = false;
  s->readOnly_ = true;
  return s;
}

TRpStream::~TRpStream() {
  // The temporary file has no name: closing it frees its space.
  temp_.reset();
  file_.reset();
}

qint64 TRpStream::Size() const {
  QMutexLocker l(&lock_);
  return inMemory_ ? mem_.size() : dev_->size();
}

qint64 TRpStream::Position() const {
  QMutexLocker l(&lock_);
  return inMemory_ ? pos_ : dev_->pos();
}

void TRpStream::Seek(qint64 pos) {
  QMutexLocker l(&lock_);
  if (pos < 0) pos = 0;
  if (inMemory_) {
    pos_ = pos;
  } else if (!dev_->seek(pos)) {
    throw ERpError(QStringLiteral("Cannot seek in the page stream"));
  }
}

qint64 TRpStream::Read(void* buf, qint64 len) {
  QMutexLocker l(&lock_);
  if (len <= 0) return 0;
  if (inMemory_) {
    qint64 n = qMin(len, qint64(mem_.size()) - pos_);
    if (n <= 0) return 0;
    std::memcpy(buf, mem_.constData() + pos_, size_t(n));
    pos_ += n;
    return n;
  }
  qint64 total = 0;
  char* p = static_cast<char*>(buf);
  while (total < len) {
    qint64 n = dev_->read(p + total, len - total);
    if (n <= 0) break;
    total += n;
  }
  return total;
}

void TRpStream::ReadExact(void* buf, qint64 len) {
  if (Read(buf, len) != len) throw ERpError("unexpected end of the page stream");
}

void TRpStream::Write(const void* buf, qint64 len) {
  QMutexLocker l(&lock_);
  if (readOnly_) throw ERpError("The page stream is read-only");
  if (len <= 0) return;
  if (inMemory_) {
    const qint64 end = pos_ + len;
    if (end > mem_.size()) {
      if (end > mem_.capacity()) mem_.reserve(qMax(end, qint64(mem_.capacity()) * 2));
      mem_.resize(end);
    }
    std::memcpy(mem_.data() + pos_, buf, size_t(len));
    pos_ = end;
    if (mem_.size() > limit_) spill();
    return;
  }
  errno = 0;
  if (dev_->write(static_cast<const char*>(buf), len) != len) {
    // Only the spill file is written here (a report file is opened for reading).
    tempFolderFailed(errno ? errno : EIO);
  }
}

void TRpStream::spill() {
  // Created without a name (or unlinked at once where the file system cannot): whatever ends the
  // program, even a kill, the system reclaims the file's space and nothing is left behind.
  const QByteArray dir = QFile::encodeName(QDir::tempPath());
  int fd = ::open(dir.constData(), O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    QByteArray name = dir + "/RPFXXXXXX.tmp";
    fd = ::mkostemps(name.data(), 4, O_CLOEXEC);
    if (fd >= 0) ::unlink(name.constData());
  }
  // A full temporary folder (or one without inodes) names that folder and TMPDIR.
  if (fd < 0) tempFolderFailed(errno);
  auto t = std::make_unique<QFile>();
  if (!t->open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    throw ERpError(QStringLiteral("Cannot create a temporary page file: %1").arg(t->errorString()));
  }
  errno = 0;
  if (t->write(mem_) != mem_.size() || !t->seek(pos_)) tempFolderFailed(errno ? errno : EIO);
  temp_ = std::move(t);
  dev_ = temp_.get();
  mem_ = QByteArray();
  inMemory_ = false;
}

qint32 TRpStream::ReadInt32() {
  qint32 v;
  ReadExact(&v, 4);
  return qFromLittleEndian(v);
}

void TRpStream::SaveToStream(QIODevice& dest) {
  QMutexLocker l(&lock_);
  const qint64 saved = Position();
  Seek(0);
  QByteArray block(10240, Qt::Uninitialized);
  for (;;) {
    qint64 n = Read(block.data(), block.size());
    if (n <= 0) break;
    if (dest.write(block.constData(), n) != n) {
      Seek(saved);
      throw ERpError(QStringLiteral("Cannot write: %1").arg(dest.errorString()));
    }
  }
  Seek(saved);
}

bool TRpStream::InMemory() const {
  QMutexLocker l(&lock_);
  return inMemory_;
}

QString TRpStream::FileName() const {
  QMutexLocker l(&lock_);
  return fileName_;
}

}  // namespace cotavia
