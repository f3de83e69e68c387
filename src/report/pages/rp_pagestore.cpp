#include "report/pages/rp_pagestore.h"

#include "platform/files.h"
#include "report/pages/rp_pagecheck.h"

#include <QDate>
#include <QDateTime>
#include <QtEndian>
#include <cstring>

namespace cotavia {

// ---------------------------------------------------------------------------------------------
// TRpPageList

namespace {

constexpr int kHeaderSize = 128;

double delphiNow() {
  const QDateTime now = QDateTime::currentDateTime();
  const qint64 days = QDate(1899, 12, 30).daysTo(now.date());
  return double(days) + now.time().msecsSinceStartOfDay() / 86400000.0;
}

QByteArray headerBytes(int pageCount, bool compressed) {
  QByteArray h(kHeaderSize, '\0');
  qToLittleEndian<qint16>(3, h.data());
  qToLittleEndian<qint16>(305, h.data() + 2);
  qToLittleEndian<qint32>(pageCount, h.data() + 8);
  const double d = delphiNow();
  quint64 bits;
  std::memcpy(&bits, &d, 8);
  qToLittleEndian<quint64>(bits, h.data() + 16);
  h[25] = compressed ? 1 : 0;
  return h;
}

[[noreturn]] void damaged(const QString& file, const QString& problem) {
  if (file.isEmpty()) throw ERpError(QStringLiteral("Damaged page store: %1").arg(problem));
  throw ERpError(QStringLiteral("Invalid report file \"%1\": %2").arg(file, problem));
}

}  // namespace

TRpPageList::TRpPageList() = default;
TRpPageList::~TRpPageList() { stopWorker(); }

void TRpPageList::stopWorker() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard<std::mutex> g(qlock_);
    stop_ = true;
  }
  qcv_.notify_all();
  worker_.join();
  stop_ = false;
}

void TRpPageList::flush() {
  std::unique_lock<std::mutex> g(qlock_);
  qcv_.wait(g, [this] { return queue_.empty() && !busy_; });
  if (workerError_) std::rethrow_exception(workerError_);
}

void TRpPageList::settle() {
  std::unique_lock<std::mutex> g(qlock_);
  qcv_.wait(g, [this] { return queue_.empty() && !busy_; });
  workerError_ = nullptr;
}

void TRpPageList::workerLoop() {
  for (;;) {
    Pending p;
    {
      std::unique_lock<std::mutex> g(qlock_);
      qcv_.wait(g, [this] { return stop_ || !queue_.empty(); });
      if (queue_.empty()) return;  // stopping with nothing left
      p = std::move(queue_.front());
      queue_.pop_front();
      busy_ = true;
    }
    qcv_.notify_all();
    try {
      if (p.painter) {
        p.painter->end();
        p.painter.reset();
      }
      // The picture as QDataStream writes it: a big-endian 32-bit length, then its data.
      const char* data = p.recorder ? p.recorder->data().constData() : p.pic->data();
      const quint32 picLen = p.recorder ? quint32(p.recorder->data().size()) : p.pic->size();
      QByteArray pic(4 + qsizetype(picLen), Qt::Uninitialized);
      qToBigEndian<quint32>(picLen, pic.data());
      if (picLen) std::memcpy(pic.data() + 4, data, picLen);
      p.pic.reset();
      p.recorder.reset();
      if (compression_) {
        const QByteArray coded = TRpCompress::compressBytes(pic);
        writeRecord(p.page, pic, &coded);
      } else {
        writeRecord(p.page, pic, nullptr);
      }
    } catch (...) {
      std::lock_guard<std::mutex> g(qlock_);
      workerError_ = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> g(qlock_);
      busy_ = false;
    }
    qcv_.notify_all();
  }
}

void TRpPageList::SetStream(std::unique_ptr<TRpStream> s) {
  settle();
  QMutexLocker l(&lock_);
  stream_ = std::move(s);
  pageCount_ = 0;
  fileName_.clear();
}

int TRpPageList::PageCount() const {
  QMutexLocker l(&lock_);
  return pageCount_;
}

void TRpPageList::WriteFileHeader() {
  flush();
  QMutexLocker l(&lock_);
  if (!stream_) return;
  const qint64 saved = stream_->Position();
  stream_->Seek(0);
  const QByteArray h = headerBytes(pageCount_, compression_);
  stream_->Write(h.constData(), h.size());
  stream_->Seek(qMax(saved, qint64(kHeaderSize)));
}

void TRpPageList::Clear() {
  settle();
  QMutexLocker l(&lock_);
  pageCount_ = 0;
}

void TRpPageList::AddPage(const QPicture& page) {
  Pending p;
  p.pic = std::make_unique<QPicture>(page);
  enqueue(std::move(p));
}

void TRpPageList::AddPage(std::unique_ptr<TRpPageRecorder> page, std::unique_ptr<QPainter> painter) {
  Pending p;
  p.recorder = std::move(page);
  p.painter = std::move(painter);
  enqueue(std::move(p));
}

void TRpPageList::enqueue(Pending&& page) {
  int pageNo;
  {
    QMutexLocker l(&lock_);
    if (!stream_) stream_ = std::make_unique<TRpStream>(100000);
    pageNo = ++pageCount_;
  }
  {
    std::unique_lock<std::mutex> g(qlock_);
    // A few pages at most wait for the worker, so memory stays bounded.
    qcv_.wait(g, [this] { return queue_.size() < 4 || workerError_; });
    if (workerError_) std::rethrow_exception(workerError_);
    page.page = pageNo;
    queue_.push_back(std::move(page));
  }
  qcv_.notify_all();
  if (!worker_.joinable()) worker_ = std::thread([this] { workerLoop(); });
}

void TRpPageList::writeRecord(int pageNo, const QByteArray& pic, const QByteArray* coded) {
  QMutexLocker l(&lock_);
  if (stream_->Size() < kHeaderSize) {
    stream_->Seek(0);
    const QByteArray h = headerBytes(pageNo, compression_);
    stream_->Write(h.constData(), h.size());
  }
  const qint64 start = stream_->Size();
  QByteArray rec;
  if (!coded) {
    rec.reserve(pic.size() + 12);
    rec.resize(8);
    rec.append(pic);
  } else {
    rec.reserve(coded->size() + 16);
    rec.resize(12);
    qToLittleEndian<qint32>(qint32(pic.size()), rec.data() + 8);
    rec.append(*coded);
  }
  rec.resize(rec.size() + 4);
  const qint64 end = start + rec.size();
  if (end > 0x7fffffff) throw ERpError("The page store is full");
  qToLittleEndian<qint32>(pageNo, rec.data());
  qToLittleEndian<qint32>(qint32(end), rec.data() + 4);
  qToLittleEndian<qint32>(qint32(start), rec.data() + rec.size() - 4);
  stream_->Seek(start);
  stream_->Write(rec.constData(), rec.size());
}

qint64 TRpPageList::recordStartOfLast() {
  const qint64 size = stream_->Size();
  if (size < kHeaderSize + 12) damaged(fileName_, QStringLiteral("the file is truncated"));
  stream_->Seek(size - 4);
  const qint64 back = stream_->ReadInt32();
  if (back < kHeaderSize || back > size - 12)
    damaged(fileName_, QStringLiteral("the last record points outside the file"));
  return back;
}

void TRpPageList::positionOn(int n) {
  const qint64 size = stream_->Size();
  walkSteps_ = 1;
  if (n == 1) {
    stream_->Seek(kHeaderSize);
    return;
  }
  if (n == pageCount_) {
    stream_->Seek(recordStartOfLast());
    return;
  }
  qint64 pos = stream_->Position();
  walkSteps_ = 0;
  if (pos >= size || pos < kHeaderSize) pos = recordStartOfLast();
  for (int steps = 0;; ++steps) {
    ++walkSteps_;
    if (steps > pageCount_ + 1) damaged(fileName_, QStringLiteral("the record chain loops"));
    if (pos < kHeaderSize || pos + 12 > size)
      damaged(fileName_, QStringLiteral("a record offset points outside the file"));
    stream_->Seek(pos);
    const qint32 num = stream_->ReadInt32();
    if (num == n) {
      stream_->Seek(pos);
      return;
    }
    if (num < 1 || num > pageCount_) damaged(fileName_, QStringLiteral("page numbers out of order"));
    if (num < n) {
      const qint64 next = stream_->ReadInt32();
      if (next <= pos || next > size) damaged(fileName_, QStringLiteral("a record offset points outside the file"));
      pos = next;
    } else {
      if (pos - 4 < kHeaderSize) damaged(fileName_, QStringLiteral("page numbers out of order"));
      stream_->Seek(pos - 4);
      const qint64 back = stream_->ReadInt32();
      if (back < kHeaderSize || back >= pos)
        damaged(fileName_, QStringLiteral("a back pointer points outside its record"));
      pos = back;
    }
  }
}

std::unique_ptr<TRpMetafile> TRpPageList::GetPage(int n) {
  flush();
  QMutexLocker l(&lock_);
  if (!stream_ || n < 1 || n > pageCount_) return nullptr;
  positionOn(n);
  const qint64 size = stream_->Size();
  const qint64 start = stream_->Position();
  const qint32 num = stream_->ReadInt32();
  const qint64 next = stream_->ReadInt32();
  if (num != n) damaged(fileName_, QStringLiteral("page numbers out of order"));
  if (next < start + 12 || next > size) damaged(fileName_, QStringLiteral("a record offset points outside the file"));
  const qint64 payloadLen = next - start - 12;
  QByteArray payload(qsizetype(payloadLen), Qt::Uninitialized);
  stream_->ReadExact(payload.data(), payloadLen);
  const qint64 back = stream_->ReadInt32();
  if (back != start) damaged(fileName_, QStringLiteral("a back pointer does not match its record"));

  QByteArray pic;
  if (!compression_) {
    pic = payload;
  } else {
    if (payloadLen < 4) damaged(fileName_, QStringLiteral("compressed record of page %1 is truncated").arg(n));
    const qint64 len = qFromLittleEndian<qint32>(payload.constData());
    try {
      pic = TRpCompress::expandBytes(payload.constData() + 4, payloadLen - 4, len);
    } catch (const ERpError& e) {
      damaged(fileName_, QStringLiteral("page %1: %2").arg(n).arg(e.message()));
    }
  }
  if (pic.size() < 4) damaged(fileName_, QStringLiteral("page %1 is truncated").arg(n));
  const quint32 picLen = qFromBigEndian<quint32>(pic.constData());
  if (qint64(picLen) != pic.size() - 4) damaged(fileName_, QStringLiteral("page %1 has a wrong length").arg(n));
  if (picLen > 0 && (picLen < 4 || std::memcmp(pic.constData() + 4, "QPIC", 4) != 0))
    damaged(fileName_, QStringLiteral("page %1 is not a picture").arg(n));
  // A page from a file is checked before anything draws it (pages recorded here are sound).
  if (picLen > 0 && !fileName_.isEmpty()) {
    const QString problem = rpCheckPicture(pic.constData() + 4, picLen);
    if (!problem.isEmpty()) damaged(fileName_, QStringLiteral("page %1: %2").arg(n).arg(problem));
  }
  auto m = std::make_unique<TRpMetafile>();
  if (picLen > 0) m->setData(pic.constData() + 4, picLen);
  return m;
}

void TRpPageList::LoadFromFile(const QString& fileName) {
  settle();
  QMutexLocker l(&lock_);
  std::unique_ptr<TRpStream> s = TRpStream::openFile(fileName);
  const qint64 size = s->Size();
  if (size < kHeaderSize) damaged(fileName, QStringLiteral("the file is truncated"));
  char h[kHeaderSize];
  s->ReadExact(h, kHeaderSize);
  if (qFromLittleEndian<qint16>(h) != 3 || qFromLittleEndian<qint16>(h + 2) != 305)
    damaged(fileName, QStringLiteral("not a report file"));
  const qint32 count = qFromLittleEndian<qint32>(h + 8);
  const bool compressed = h[25] != 0;
  if (count < 0) damaged(fileName, QStringLiteral("negative page count"));
  if (qint64(count) > (size - kHeaderSize) / 16) damaged(fileName, QStringLiteral("the file is truncated"));

  // Walk every record once: numbers 1..count, offsets inside the file and moving forward,
  // back pointers to their own record, plausible compressed lengths, nothing after the last.
  qint64 pos = kHeaderSize;
  for (int i = 1; i <= count; ++i) {
    if (pos + 12 > size) damaged(fileName, QStringLiteral("the file is truncated at page %1").arg(i));
    s->Seek(pos);
    const qint32 num = s->ReadInt32();
    const qint64 next = s->ReadInt32();
    if (num != i)
      damaged(fileName, QStringLiteral("page numbers out of order (page %1 found where %2 belongs)").arg(num).arg(i));
    if (next > size) damaged(fileName, QStringLiteral("the record of page %1 points outside the file").arg(i));
    if (next <= pos) damaged(fileName, QStringLiteral("the record chain loops at page %1").arg(i));
    if (next < pos + 16) damaged(fileName, QStringLiteral("the record of page %1 is truncated").arg(i));
    if (compressed) {
      const qint64 len = s->ReadInt32();
      const qint64 coded = next - pos - 16;
      if (len < 4 || len > coded * 8)
        damaged(fileName, QStringLiteral("compressed length of page %1 larger than the file allows").arg(i));
    } else {
      s->Seek(pos + 8);
      char b[4];
      s->ReadExact(b, 4);
      if (qint64(qFromBigEndian<quint32>(b)) != next - pos - 16)
        damaged(fileName, QStringLiteral("the picture of page %1 does not fill its record").arg(i));
    }
    s->Seek(next - 4);
    if (s->ReadInt32() != pos) damaged(fileName, QStringLiteral("the back pointer of page %1 is wrong").arg(i));
    pos = next;
  }
  if (pos != size) damaged(fileName, QStringLiteral("data after the last page"));
  s->Seek(kHeaderSize);
  stream_ = std::move(s);
  pageCount_ = count;
  compression_ = compressed;
  fileName_ = fileName;
}

void TRpPageList::SaveToFile(const QString& fileName) {
  flush();
  QMutexLocker l(&lock_);
  AtomicFile f(fileName);
  // Failures keep the save's own error (a link, "sem espaço no disco"...), naming the file.
  f.create();
  try {
    if (stream_)
      stream_->SaveToStream(f);
    else
      f.writeAll(headerBytes(0, compression_));
    f.commit();
  } catch (const AppError&) {
    f.cancel();
    if (f.failure()) throw *f.failure();
    throw;
  }
}

}  // namespace cotavia
