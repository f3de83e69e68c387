#include "support/support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <stdexcept>

#include <clocale>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

// Settings the windows keep (the editor's size and columns) go to a temporary folder of the
// test program, and every save a test makes (and every program it runs) records into a price book
// of the build folder: never the user's own, however the test program is started.
static void keepTheUsersFilesOutOfTests() {
  static QTemporaryDir dir(QDir::tempPath() + "/cotavia-settings-XXXXXX");
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
  qputenv("XDG_DATA_HOME", COTAVIA_TEST_DATA_HOME);
  qputenv("COTAVIA_DB", "");
}
Q_COREAPP_STARTUP_FUNCTION(keepTheUsersFilesOutOfTests)

namespace cotavia::test {

TempDir::TempDir() : dir_(QDir::tempPath() + "/cotavia-test-XXXXXX") {
  if (!dir_.isValid()) throw std::runtime_error("cannot create a temporary folder");
}
void TempDir::write(const QString& name, const QByteArray& bytes) const { writeFile(file(name), bytes); }
QByteArray TempDir::read(const QString& name) const { return readFile(file(name)); }
bool TempDir::exists(const QString& name) const { return QFileInfo::exists(file(name)); }

SmallFileSystem::SmallFileSystem(int kib) : dir_(QDir::tempPath() + "/cotavia-fs-XXXXXX") {
  const QByteArray options = "size=" + QByteArray::number(kib) + "k,mode=0755";
  mounted_ = dir_.isValid() && ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs",
                                       MS_NOSUID | MS_NODEV, options.constData()) == 0;
}

SmallFileSystem::~SmallFileSystem() {
  if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
}

void SmallFileSystem::fill() const {
  const int fd = ::open(QFile::encodeName(file("filler")).constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) throw std::runtime_error("cannot create the filler file");
  const QByteArray block(4096, 'f');
  for (qsizetype size = block.size(); size > 0; size /= 2)
    while (::write(fd, block.constData(), size_t(size)) == size) {
    }
  while (::write(fd, "f", 1) == 1) {
  }
  ::close(fd);
}

PtBrLocale::PtBrLocale() : old_(std::setlocale(LC_ALL, nullptr)) {
  const char* name = "pt_BR.UTF-8";
  if (std::setlocale(LC_ALL, name)) {
    active_ = true;
    return;
  }
  // Built once per machine into a folder kept for later runs (localedef takes seconds).
  const QString folder = QDir::tempPath() + "/cotavia-test-locales";
  if (!QFileInfo::exists(folder + "/" + name + "/LC_NUMERIC")) {
    QDir().mkpath(folder);
    QTemporaryDir work(folder + "/build-XXXXXX");
    QProcess::execute("localedef", {"-i", "pt_BR", "-f", "UTF-8", work.filePath(name)});
    QDir().rename(work.filePath(name), folder + "/" + name);  // whole or not at all
  }
  oldLocpath_ = qgetenv("LOCPATH");
  qputenv("LOCPATH", QFile::encodeName(folder));
  setLocpath_ = true;
  active_ = std::setlocale(LC_ALL, name) != nullptr;
}

PtBrLocale::~PtBrLocale() {
  std::setlocale(LC_ALL, old_.constData());
  if (setLocpath_ && oldLocpath_.isEmpty()) qunsetenv("LOCPATH");
  if (setLocpath_ && !oldLocpath_.isEmpty()) qputenv("LOCPATH", oldLocpath_);
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw std::runtime_error("cannot write " + path.toStdString());
  f.write(bytes);
}

QByteArray readFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

std::map<QString, QByteArray> folderSnapshot(const QString& folder) {
  std::map<QString, QByteArray> m;
  for (const QString& f : QDir(folder).entryList(QDir::Files | QDir::Hidden)) m[f] = readFile(folder + "/" + f);
  return m;
}

QString sourceDir() {
  QByteArray s = qgetenv("COTAVIA_SOURCE_DIR");
  return s.isEmpty() ? QStringLiteral(".") : QString::fromLocal8Bit(s);
}

ProgramRun runHeadless(const QString& program, const QStringList& args) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  p.setProcessEnvironment(env);
  p.start(program, args);
  ProgramRun r;
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  r.out = p.readAllStandardOutput();
  r.err = p.readAllStandardError();
  return r;
}

QString poppler(const QString& tool, const QStringList& args) {
  const ProgramRun r = runHeadless(tool, args);
  return r.exitCode == 0 ? QString::fromUtf8(r.out) : QString();
}

bool hasPoppler() {
  for (const char* tool : {"pdftotext", "pdfinfo", "pdftoppm"})
    if (QStandardPaths::findExecutable(tool).isEmpty()) return false;
  return true;
}

}  // namespace cotavia::test
