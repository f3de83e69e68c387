#pragma once
// The system print spooler (CUPS through libcups): printer list, default destination and raw
// jobs. Clients find the server as libcups does (CUPS_SERVER, client.conf, local socket).
#include <QByteArray>
#include <QList>
#include <QString>

namespace cotavia::cups {

struct Destination {
  QString name;  // queue name (with "/instance" when the destination is an instance)
  bool isDefault = false;
  QString deviceUri;  // "device-uri" when the server reports it (local queues), else empty
  QString info;       // "printer-info" description, may be empty
};

// The system's printers, in the server's order. Empty when no server answers.
QList<Destination> destinations();
// The default destination's name; empty when there is none.
QString defaultDestination();
// libcups' text for the failure of its last call on this thread (cupsLastErrorString), empty
// when that call succeeded.
QString lastErrorText();
// The port name of a destination for display and the port rule: its device URI, or the queue
// name when the server does not report one.
QString portOf(const Destination& d);

// One raw document (CUPS_FORMAT_RAW) on a queue. The bytes written between open() and finish()
// reach the printer unchanged, as one job holding one document.
class RawJob {
 public:
  RawJob() = default;
  ~RawJob();  // cancels a job that was opened but not finished
  RawJob(const RawJob&) = delete;
  RawJob& operator=(const RawJob&) = delete;

  // Creates the job on `queue` (empty: the default destination) with the document name `title`.
  bool open(const QString& queue, const QByteArray& title);
  bool write(const QByteArray& bytes);
  // Ends the document and submits the job.
  bool finish();
  // Drops an open job.
  void cancel();

  int jobId() const { return jobId_ < 0 ? -jobId_ : jobId_; }
  // The queue the job went to (the default destination's name when none was given).
  const QString& queue() const { return queue_; }
  // The text of libcups' last failure.
  QString lastErrorText() const { return errorText_; }

 private:
  void fail();
  int jobId_ = 0;
  bool docOpen_ = false;
  QString errorText_;
  QString queue_;
};

}  // namespace cotavia::cups
