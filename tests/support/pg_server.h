#pragma once
// A private PostgreSQL server for tests: initdb in a temporary folder, started on a free port of
// 127.0.0.1 with trust authentication, stopped (and the folder removed) at the end. As root it
// runs as the user "nobody", since PostgreSQL refuses to run as root.
#include <QString>
#include <QTemporaryDir>

namespace cotavia::test {

class PrivatePgServer {
 public:
  PrivatePgServer();
  ~PrivatePgServer();
  // Starts the server. False, with the reason, when it cannot run here (server binaries or
  // Qt's PostgreSQL driver missing).
  bool start(QString* error);
  void stop();
  // A new, empty database on the server: "postgresql://postgres@127.0.0.1:PORT/NAME".
  QString createDatabase(const QString& name);

 private:
  bool run(const QString& program, const QStringList& args, QString* error);
  QTemporaryDir dir_;
  QString bin_;
  int port_ = 0;
  bool running_ = false;
};

}  // namespace cotavia::test
