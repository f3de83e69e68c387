// Paths and reading; the other parts of platform/files.h are in atomic_save.cpp,
// save_journal.cpp, save_lock.cpp and stale_files.cpp.
#include "platform/files.h"

#include "platform/error.h"
#include "platform/file_parts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <functional>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cotavia {

namespace fileparts {

AppError notRegular(const QString& path, const char* outcome) {
  return AppError(ErrorKind::NotRegular, path,
                  std::string("não é um arquivo comum (é uma pasta, um pipe ou um dispositivo); ") + outcome);
}

AppError linkRefused(const QString& path) {
  return AppError(ErrorKind::Link, path,
                  "é um link simbólico: o programa não grava através de links; nada foi alterado. "
                  "Apague o link ou troque-o por um arquivo comum");
}

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

}  // namespace fileparts

using namespace fileparts;

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

}  // namespace cotavia
