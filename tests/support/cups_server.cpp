#include "support/cups_server.h"

#include <arpa/inet.h>
#include <cups/cups.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

namespace cotavia::test {

LoopbackListener::LoopbackListener() {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  int one = 1;
  ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  socklen_t len = sizeof a;
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 4) != 0 ||
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { loop(); });
}

LoopbackListener::~LoopbackListener() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (fd_ >= 0) ::close(fd_);
}

void LoopbackListener::loop() {
  while (!stop_) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    const int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) continue;
    char buf[65536];
    while (!stop_) {
      pollfd q{c, POLLIN, 0};
      if (::poll(&q, 1, 100) <= 0) continue;
      const ssize_t n = ::read(c, buf, sizeof buf);
      if (n <= 0) break;
      std::lock_guard<std::mutex> lock(m_);
      data_.append(buf, n);
    }
    ::close(c);
    ++closed_;
  }
}

bool LoopbackListener::waitForJobs(int connections, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (closed_ < connections) {
    if (t.elapsed() > timeoutMs) return false;
    QThread::msleep(20);
  }
  return true;
}

QByteArray LoopbackListener::bytes() const {
  std::lock_guard<std::mutex> lock(m_);
  return data_;
}

PrivateCupsServer::PrivateCupsServer() = default;
PrivateCupsServer::~PrivateCupsServer() { stop(); }

QString PrivateCupsServer::socketPath() const { return dir_.filePath("cups.sock"); }

QString PrivateCupsServer::errorLog() const {
  QFile f(dir_.filePath("error_log"));
  return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

bool PrivateCupsServer::start(QString* error) {
  const QString cupsd = "/usr/sbin/cupsd";
  if (!QFileInfo(cupsd).isExecutable()) {
    *error = "cupsd is not installed (scripts/install-deps installs cups)";
    return false;
  }
  if (!dir_.isValid()) {
    *error = "no temporary folder";
    return false;
  }
  const QString r = dir_.path();
  QFile::setPermissions(r, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                               QFile::ReadOther | QFile::ExeOther);
  // The scheduler runs jobs as lp when started by root, else as the user who started it.
  QByteArray user = "lp", group = "lp";
  if (::geteuid() != 0) {
    passwd* pw = ::getpwuid(::geteuid());
    user = pw ? QByteArray(pw->pw_name) : QByteArray();
    group = "";
  }
  for (const char* sub : {"spool", "tmp", "cache", "state", "ppd"}) {
    QDir(r).mkdir(sub);
    QFile::setPermissions(r + "/" + sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                             QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
  }
  if (::geteuid() == 0) {
    if (passwd* pw = ::getpwnam("lp")) {
      for (const char* sub : {"spool", "tmp"})
        if (::chown(QFile::encodeName(r + "/" + sub).constData(), pw->pw_uid, pw->pw_gid) != 0) {
          *error = "cannot give the spool folder to lp";
          return false;
        }
    }
  }
  auto write = [&](const QString& name, const QByteArray& text) {
    QFile f(r + "/" + name);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
  };
  const QByteArray R = QFile::encodeName(r);
  QByteArray conf = "Listen " + R +
                    "/cups.sock\nLogLevel warn\n<Location />\n  Order allow,deny\n  Allow all\n"
                    "</Location>\n<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n";
  QByteArray files = "ServerRoot " + R + "\nStateDir " + R + "/state\nCacheDir " + R + "/cache\nRequestRoot " + R +
                     "/spool\nTempDir " + R + "/tmp\nErrorLog " + R + "/error_log\nAccessLog " + R +
                     "/access_log\nPageLog " + R + "/page_log\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n";
  if (!user.isEmpty()) files += "User " + user + "\n";
  if (!group.isEmpty()) files += "Group " + group + "\n";
  if (!write("cupsd.conf", conf) || !write("cups-files.conf", files)) {
    *error = "cannot write the server configuration";
    return false;
  }
  cupsd_ = std::make_unique<QProcess>();
  cupsd_->setProcessChannelMode(QProcess::ForwardedChannels);
  cupsd_->start(cupsd, {"-c", r + "/cupsd.conf", "-s", r + "/cups-files.conf", "-f"});
  if (!cupsd_->waitForStarted(5000)) {
    *error = "cupsd did not start: " + cupsd_->errorString();
    return false;
  }
  // Ready when its socket accepts connections.
  QElapsedTimer t;
  t.start();
  bool ready = false;
  while (t.elapsed() < 15000 && cupsd_->state() == QProcess::Running) {
    const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socketPath());
    qstrncpy(a.sun_path, path.constData(), sizeof a.sun_path);
    ready = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    if (ready) break;
    QThread::msleep(50);
  }
  if (!ready) {
    *error = "cupsd did not open its socket: " + errorLog();
    stop();
    return false;
  }
  hadServer_ = qEnvironmentVariableIsSet("CUPS_SERVER");
  oldServer_ = qgetenv("CUPS_SERVER");
  qputenv("CUPS_SERVER", QFile::encodeName(socketPath()));
  cupsSetServer(nullptr);  // libcups reads CUPS_SERVER again
  return true;
}

bool PrivateCupsServer::addRawQueue(const QString& name, int port, bool makeDefault, QString* error) {
  auto run = [&](const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CUPS_SERVER", socketPath());
    p.setProcessEnvironment(env);
    p.start("/usr/sbin/lpadmin", args);
    if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
      *error = "lpadmin " + args.join(' ') + " failed: " + QString::fromLocal8Bit(p.readAllStandardError());
      return false;
    }
    return true;
  };
  if (!run({"-p", name, "-E", "-v", QStringLiteral("socket://127.0.0.1:%1").arg(port)})) return false;
  if (makeDefault && !run({"-d", name})) return false;
  return true;
}

void PrivateCupsServer::stop() {
  if (!cupsd_) return;
  if (cupsd_->state() != QProcess::NotRunning) {
    cupsd_->terminate();
    if (!cupsd_->waitForFinished(10000)) {
      cupsd_->kill();
      cupsd_->waitForFinished(5000);
    }
  }
  cupsd_.reset();
  if (hadServer_)
    qputenv("CUPS_SERVER", oldServer_);
  else
    qunsetenv("CUPS_SERVER");
  cupsSetServer(nullptr);
}

}  // namespace cotavia::test
