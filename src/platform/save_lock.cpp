// The lock of one proposal during a save.
#include "platform/error.h"
#include "platform/file_parts.h"
#include "platform/files.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cotavia {

using namespace fileparts;

namespace {

QString lockPath(const QString& folder, const QString& key) {
  return joinPath(folder, QLatin1String(kOwnPrefix) + key + QStringLiteral(".lock"));
}

}  // namespace

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

}  // namespace cotavia
