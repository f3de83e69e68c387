// Clean-up of the files of our own a killed save or export left behind.
#include "platform/error.h"
#include "platform/file_parts.h"
#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringList>

#include <cerrno>
#include <csignal>

#include <unistd.h>

namespace cotavia {

using namespace fileparts;

qint64 fileparts::writerOf(const QString& name) {
  if (!name.startsWith(QLatin1String(kOwnPrefix)) || !name.endsWith(QLatin1String(".tmp"))) return 0;
  const QStringList parts = name.split('.');
  if (parts.size() < 6) return 0;
  bool ok = false;
  const qint64 pid = parts[parts.size() - 3].toLongLong(&ok);
  return ok && pid > 0 ? pid : 0;
}

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

}  // namespace cotavia
