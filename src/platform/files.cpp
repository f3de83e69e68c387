#include "platform/files.h"

#include "platform/error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace cotavia {

namespace {
QString g_folder;
bool g_created = false;

std::string local(const QString& s) { return s.toStdString(); }
} // namespace

QString programFolder() {
  if (!g_folder.isEmpty()) return g_folder;
  if (!QCoreApplication::instance()) return QDir::currentPath();
  const QString exeDir = QCoreApplication::applicationDirPath();
  if (!QFileInfo::exists(exeDir + "/../share/cotavia/installed")) return exeDir;
  QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (docs.isEmpty()) docs = QDir::homePath();
  const QString folder = QDir(docs).filePath("Cotavia");
  if (!QFileInfo::exists(folder) && QDir().mkpath(folder)) g_created = true;
  g_folder = folder;
  return g_folder;
}

bool programFolderCreated() { return g_created; }

void setProgramFolder(const QString& folder) {
  g_folder = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
}

QString joinPath(const QString& folder, const QString& name) {
  if (folder.endsWith('/')) return folder + name;
  return folder + '/' + name;
}

QByteArray readWholeFile(const QString& path) {
  QFile f(path);
  if (!f.exists()) throw AppError(ErrorKind::NotFound, path, "File not found");
  if (!f.open(QIODevice::ReadOnly)) throw AppError(ErrorKind::Io, path, local(f.errorString()));
  QByteArray data = f.readAll();
  if (f.error() != QFileDevice::NoError) throw AppError(ErrorKind::Io, path, local(f.errorString()));
  return data;
}

QList<QByteArray> splitLines(const QByteArray& content) {
  QList<QByteArray> lines;
  qsizetype start = 0;
  const qsizetype n = content.size();
  const char* d = content.constData();
  while (start < n) {
    const char* nl = static_cast<const char*>(memchr(d + start, '\n', n - start));
    if (!nl) {
      lines.append(content.mid(start));
      break;
    }
    qsizetype end = nl - d;
    qsizetype len = end - start;
    if (len > 0 && d[end - 1] == '\r') --len;
    lines.append(QByteArray(d + start, len));
    start = end + 1;
  }
  return lines;
}

void atomicWrite(const QString& path, const QByteArray& bytes) {
  QSaveFile f(path);
  f.setDirectWriteFallback(false);
  if (!f.open(QIODevice::WriteOnly)) throw AppError(local(path) + ": " + local(f.errorString()));
  if (f.write(bytes) != bytes.size()) {
    QString err = f.errorString();
    f.cancelWriting();
    throw AppError(local(path) + ": " + local(err));
  }
  if (!f.commit()) throw AppError(local(path) + ": " + local(f.errorString()));
}

void atomicWriteLines(const QString& path, const QList<QByteArray>& lines) {
  qsizetype total = 0;
  for (const auto& l : lines) total += l.size() + 2;
  QByteArray out;
  out.reserve(total);
  for (const auto& l : lines) {
    out.append(l);
    out.append("\r\n", 2);
  }
  atomicWrite(path, out);
}

void copyFileChecked(const QString& src, const QString& dst) {
  const QByteArray data = readWholeFile(src);
  if (QFileInfo(src).canonicalFilePath() == QFileInfo(dst).canonicalFilePath() && QFileInfo::exists(dst))
    return; // copying a file onto itself leaves it as it is
  atomicWrite(dst, data);
}

} // namespace cotavia
