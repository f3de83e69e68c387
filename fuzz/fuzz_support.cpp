#include "fuzz_support.h"

#include "platform/dialogs.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace cotavia::fuzz {

namespace {

// Every box is dropped: a recording service would grow over millions of inputs.
class SilentDialogs : public Dialogs {
 public:
  void message(const QString&, const QString&) override {}
  void error(const QString&, const QString&) override {}
  bool confirm(const QString&, const QString&) override { return false; }
  void beep() override {}
  QString saveFileName(const QString&, const QString&, const QString&, QString*) override { return {}; }
  QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
  QString folderName(const QString&, const QString&) override { return {}; }
};

void dropMessages(QtMsgType type, const QMessageLogContext&, const QString& msg) {
  if (type == QtFatalMsg) {
    std::fprintf(stderr, "Qt fatal: %s\n", qPrintable(msg));
    std::abort();
  }
}

std::unique_ptr<QTemporaryDir> g_dir;

}  // namespace

void startApp() {
  static bool started = false;
  if (started) return;
  started = true;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(dropMessages);
  static int argc = 1;
  static char arg0[] = "cotavia-fuzz";
  static char* argv[] = {arg0, nullptr};
  new QGuiApplication(argc, argv);  // lives for the whole run
  static SilentDialogs silent;
  setDialogs(&silent);
  const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
  g_dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/cotavia-fuzz-XXXXXX"));
  if (!g_dir->isValid()) {
    std::fprintf(stderr, "cannot create a scratch folder in %s\n", qPrintable(base));
    std::abort();
  }
  std::atexit([] { g_dir.reset(); });
}

}  // namespace cotavia::fuzz

// A target that needs nothing more than the application started leaves its own initialisation out.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int*, char***) {
  cotavia::fuzz::startApp();
  return 0;
}

namespace cotavia::fuzz {

QString workFolder() {
  startApp();
  return g_dir->path();
}

QString workFile(const QString& name) { return workFolder() + QLatin1Char('/') + name; }

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::abort();
  }
}

QByteArray readBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

QByteArray joinLines(const QList<QByteArray>& lines) {
  QByteArray out;
  for (const QByteArray& l : lines) out += l + "\r\n";
  return out;
}

void fail(const char* what, const char* file, int line, const QByteArray& detail) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
  if (!detail.isEmpty()) std::fprintf(stderr, "%s\n", detail.constData());
  std::abort();
}

}  // namespace cotavia::fuzz
