#pragma once
// A private CUPS server for tests: its own cupsd on a local socket in a temporary folder, raw
// queues whose printer is a TCP listener on loopback, and the listener that keeps every byte.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

class QProcess;

namespace cotavia::test {

// Accepts connections on 127.0.0.1 (a free port) and stores all bytes received.
class LoopbackListener {
 public:
  LoopbackListener();
  ~LoopbackListener();
  bool ok() const { return fd_ >= 0; }
  int port() const { return port_; }
  // Waits until `connections` connections have been closed by the sender, or the timeout.
  bool waitForJobs(int connections, int timeoutMs);
  QByteArray bytes() const;

 private:
  void loop();
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> closed_{0};
  mutable std::mutex m_;
  QByteArray data_;
  std::thread thread_;
};

class PrivateCupsServer {
 public:
  PrivateCupsServer();
  ~PrivateCupsServer();
  // Starts cupsd and points this process's libcups at it (CUPS_SERVER). False with a reason
  // when the server cannot run here.
  bool start(QString* error);
  void stop();
  QString socketPath() const;
  // lpadmin -p NAME -E -v socket://127.0.0.1:PORT (raw queue); optionally the default one.
  bool addRawQueue(const QString& name, int port, bool makeDefault, QString* error);
  QString errorLog() const;

 private:
  QTemporaryDir dir_;
  std::unique_ptr<QProcess> cupsd_;
  QByteArray oldServer_;
  bool hadServer_ = false;
};

}  // namespace cotavia::test
