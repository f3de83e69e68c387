#include "platform/cups.h"

#include "platform/codepage.h"

#include <cups/cups.h>

namespace cotavia::cups {

QList<Destination> destinations() {
  QList<Destination> out;
  cups_dest_t* dests = nullptr;
  const int n = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  for (int i = 0; i < n; ++i) {
    const cups_dest_t& d = dests[i];
    Destination x;
    x.name = QString::fromUtf8(d.name);
    if (d.instance) x.name += "/" + QString::fromUtf8(d.instance);
    x.isDefault = d.is_default != 0;
    if (const char* uri = cupsGetOption("device-uri", d.num_options, d.options)) x.deviceUri = QString::fromUtf8(uri);
    if (const char* info = cupsGetOption("printer-info", d.num_options, d.options)) x.info = QString::fromUtf8(info);
    out.append(x);
  }
  cupsFreeDests(n, dests);
  return out;
}

QString defaultDestination() {
  cups_dest_t* d = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
  if (!d) return {};
  QString name = QString::fromUtf8(d->name);
  if (d->instance) name += "/" + QString::fromUtf8(d->instance);
  cupsFreeDests(1, d);
  return name;
}

QString lastErrorText() {
  if (cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE) return {};
  return QString::fromUtf8(cupsLastErrorString());
}

QString portOf(const Destination& d) { return d.deviceUri.isEmpty() ? d.name : d.deviceUri; }

RawJob::~RawJob() {
  if (jobId_ > 0) cancel();
}

void RawJob::fail() {
  errorText_ = QString::fromUtf8(cupsLastErrorString());
  // A queue the server does not know is said so; libcups' own text stays in parentheses.
  const QString queue = queue_.section('/', 0, 0);
  bool known = queue.isEmpty();
  for (const Destination& d : destinations()) known = known || d.name.section('/', 0, 0) == queue;
  if (!known)
    errorText_ = QStringLiteral("não há fila com esse nome no servidor de impressão (CUPS: %1)").arg(errorText_);
}

bool RawJob::open(const QString& queue, const QByteArray& title) {
  queue_ = queue.isEmpty() ? defaultDestination() : queue;
  if (queue_.isEmpty()) {
    errorText_ = QStringLiteral("nenhuma impressora padrão está definida");
    return false;
  }
  // The queue name may carry an instance ("QUEUE/instance"); jobs go to the queue itself.
  const QByteArray name = queue_.section('/', 0, 0).toUtf8();
  // IPP names are UTF-8; the title is Windows-1252.
  const QByteArray doc = title.isEmpty() ? QByteArray("Cotavia") : fromCp1252(title).toUtf8();
  const int id = cupsCreateJob(CUPS_HTTP_DEFAULT, name.constData(), doc.constData(), 0, nullptr);
  if (id <= 0) {
    fail();
    return false;
  }
  jobId_ = id;
  if (cupsStartDocument(CUPS_HTTP_DEFAULT, name.constData(), id, doc.constData(), CUPS_FORMAT_RAW, 1) !=
      HTTP_STATUS_CONTINUE) {
    fail();
    cancel();
    return false;
  }
  docOpen_ = true;
  return true;
}

bool RawJob::write(const QByteArray& bytes) {
  if (!docOpen_) return false;
  if (bytes.isEmpty()) return true;
  if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, bytes.constData(), static_cast<size_t>(bytes.size())) !=
      HTTP_STATUS_CONTINUE) {
    fail();
    return false;
  }
  return true;
}

bool RawJob::finish() {
  if (!docOpen_) return false;
  docOpen_ = false;
  const QByteArray name = queue_.section('/', 0, 0).toUtf8();
  const ipp_status_t st = cupsFinishDocument(CUPS_HTTP_DEFAULT, name.constData());
  if (st > IPP_STATUS_OK_EVENTS_COMPLETE) {
    fail();
    cancel();
    return false;
  }
  jobId_ = -jobId_;  // submitted: kept for jobId(), no longer cancelled on destruction
  return true;
}

void RawJob::cancel() {
  if (docOpen_) {
    docOpen_ = false;
    const QByteArray name = queue_.section('/', 0, 0).toUtf8();
    cupsFinishDocument(CUPS_HTTP_DEFAULT, name.constData());
  }
  if (jobId_ > 0) {
    const QByteArray name = queue_.section('/', 0, 0).toUtf8();
    cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), jobId_, 0);
    jobId_ = 0;
  }
}

}  // namespace cotavia::cups
