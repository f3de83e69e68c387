#pragma once
// Shared pieces of the fuzz targets: a headless application, a scratch folder, silent dialog and
// message handlers, and FUZZ_CHECK for properties that must hold on every input.
#include <QByteArray>
#include <QList>
#include <QString>

namespace cotavia::fuzz {

// Starts, once, a headless QGuiApplication (fonts, QPainter and QPicture need one), installs a
// dialog service and a Qt message handler that drop everything, and picks the scratch folder.
void startApp();

// The run's scratch folder (in /dev/shm when it exists), removed at exit.
QString workFolder();
QString workFile(const QString& name);

void writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);

// Joins lines, each ended by CR LF, as the program writes text files.
QByteArray joinLines(const QList<QByteArray>& lines);

[[noreturn]] void fail(const char* what, const char* file, int line, const QByteArray& detail = {});

}  // namespace cotavia::fuzz

#define FUZZ_CHECK(cond)                                           \
  do {                                                             \
    if (!(cond)) ::cotavia::fuzz::fail(#cond, __FILE__, __LINE__); \
  } while (0)
#define FUZZ_CHECK_MSG(cond, detail)                                       \
  do {                                                                     \
    if (!(cond)) ::cotavia::fuzz::fail(#cond, __FILE__, __LINE__, detail); \
  } while (0)
