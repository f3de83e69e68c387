#pragma once
// Helpers shared by the tests.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace cotavia::test {

// A temporary folder deleted at the end of the test.
class TempDir {
public:
  TempDir();
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath(name); }
  void write(const QString& name, const QByteArray& bytes) const;
  QByteArray read(const QString& name) const;
  bool exists(const QString& name) const;

private:
  QTemporaryDir dir_;
};

void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
// The repository's root (for demo files and the built program in CLI tests).
QString sourceDir();

} // namespace cotavia::test
