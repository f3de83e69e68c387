#include "support/pg_server.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace cotavia::test {

namespace {

constexpr uid_t kNobody = 65534;

// The folder of initdb and pg_ctl: Debian keeps them under /usr/lib/postgresql/VERSION/bin.
QString serverBinaries() {
  QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  std::sort(versions.begin(), versions.end(), [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
  for (const QString& v : versions) {
    const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(v);
    if (QFileInfo(bin + "/initdb").isExecutable() && QFileInfo(bin + "/pg_ctl").isExecutable()) return bin;
  }
  const QString initdb = QStandardPaths::findExecutable(QStringLiteral("initdb"));
  if (!initdb.isEmpty() && !QStandardPaths::findExecutable(QStringLiteral("pg_ctl")).isEmpty())
    return QFileInfo(initdb).absolutePath();
  return {};
}

int freePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  ::close(fd);
  return port;
}

}  // namespace

PrivatePgServer::PrivatePgServer() = default;
PrivatePgServer::~PrivatePgServer() { stop(); }

bool PrivatePgServer::run(const QString& program, const QStringList& args, QString* error) {
  QProcess p;
  if (::geteuid() == 0) {
    p.setProgram(QStringLiteral("setpriv"));
    p.setArguments(QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--", bin_ + "/" + program} + args);
  } else {
    p.setProgram(bin_ + "/" + program);
    p.setArguments(args);
  }
  p.setWorkingDirectory(dir_.path());
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start();
  if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    if (error) *error = program + ": " + QString::fromLocal8Bit(p.readAll()).trimmed();
    return false;
  }
  return true;
}

bool PrivatePgServer::start(QString* error) {
  bin_ = serverBinaries();
  if (bin_.isEmpty()) {
    *error = QStringLiteral("initdb and pg_ctl not found (install the postgresql package)");
    return false;
  }
  if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
    *error = QStringLiteral("Qt's PostgreSQL driver is missing (install libqt6sql6-psql)");
    return false;
  }
  if (!dir_.isValid()) {
    *error = QStringLiteral("no temporary folder");
    return false;
  }
  // PostgreSQL will not run as root: the folder goes to "nobody", who runs the server.
  if (::geteuid() == 0 && ::chown(QFile::encodeName(dir_.path()).constData(), kNobody, kNobody) != 0) {
    *error = QStringLiteral("cannot hand the temporary folder to nobody");
    return false;
  }
  port_ = freePort();
  const QString data = dir_.filePath(QStringLiteral("data"));
  if (!run(QStringLiteral("initdb"), {"-D", data, "-A", "trust", "-U", "postgres", "-E", "UTF8", "--locale=C"}, error))
    return false;
  if (!run(QStringLiteral("pg_ctl"),
           {"-D", data, "-l", dir_.filePath("server.log"), "-w", "-t", "60", "-o",
            QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -F").arg(port_).arg(dir_.path()), "start"},
           error))
    return false;
  running_ = true;
  return true;
}

void PrivatePgServer::stop() {
  if (!running_) return;
  running_ = false;
  run(QStringLiteral("pg_ctl"), {"-D", dir_.filePath(QStringLiteral("data")), "-m", "immediate", "-w", "stop"},
      nullptr);
}

QString PrivatePgServer::createDatabase(const QString& name) {
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pg-server-admin"));
    db.setHostName(QStringLiteral("127.0.0.1"));
    db.setPort(port_);
    db.setUserName(QStringLiteral("postgres"));
    db.setDatabaseName(QStringLiteral("postgres"));
    if (db.open()) QSqlQuery(db).exec(QStringLiteral("CREATE DATABASE ") + name);
    db.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("pg-server-admin"));
  return QStringLiteral("postgresql://postgres@127.0.0.1:%1/%2").arg(port_).arg(name);
}

}  // namespace cotavia::test
