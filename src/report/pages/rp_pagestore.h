#pragma once
// The page store of the report engine: the page list that keeps one record per page in the page
// stream (rp_stream.h). A saved report file (extension "RPF") is a byte copy of the page stream:
//
//   header, 128 bytes (little-endian): 0: int16 3; 2: int16 305; 8: int32 page count;
//     16: double creation time (days since 1899-12-30); 25: byte 1 when compressed; rest 0.
//   then per page, from offset 128: int32 page number (1-based); int32 offset of the next
//     record; the page (uncompressed: the picture as written by QDataStream, 4-byte length
//     then data; compressed: int32 length of those bytes, then the bytes coded by
//     TRpCompress); int32 offset of this record's start.
#include <QByteArray>
#include <QMutex>
#include <QPainter>
#include <QRecursiveMutex>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "report/pages/rp_compress.h"
#include "report/pages/rp_record.h"
#include "report/pages/rp_stream.h"
#include "report/pages/rp_types.h"

namespace cotavia {

// The page list: one record per page in a TRpStream (format above). Every operation holds the
// list's lock.
class TRpPageList {
 public:
  TRpPageList();
  ~TRpPageList();

  // Takes ownership of the stream the pages are written to (the printer's page stream).
  void SetStream(std::unique_ptr<TRpStream> s);
  // The stream, with every page added so far written to it.
  TRpStream* Stream() {
    flush();
    return stream_.get();
  }

  bool Compression() const { return compression_; }
  void SetCompression(bool c) { compression_ = c; }
  int PageCount() const;

  // Appends a page (the first page writes the header).
  void AddPage(const QPicture& page);
  // Appends a page still being recorded by `painter`: the page list's worker thread ends the
  // painter, which seals the page, and stores it, in page order. Sealing and coding a page then
  // overlap with drawing the next one.
  void AddPage(std::unique_ptr<TRpPageRecorder> page, std::unique_ptr<QPainter> painter);
  // Page n (1-based), or nullptr when out of range. Throws ERpError on a damaged record.
  std::unique_ptr<TRpMetafile> GetPage(int n);
  // Rewrites the header with the current page count.
  void WriteFileHeader();
  void Clear();
  // Records visited by the last GetPage to find its record (1 for the next page in sequence).
  int WalkSteps() const { return walkSteps_; }

  // Opens a report file (read-only, the file stays open) and checks every record: a truncated
  // file, offsets outside the file, looping chains, page numbers out of order or an impossible
  // compressed length raise ERpError naming the file and the problem.
  void LoadFromFile(const QString& fileName);
  // Copies the whole stream to a file (atomically). Throws ERpError naming the file.
  void SaveToFile(const QString& fileName);

 private:
  void positionOn(int n);
  qint64 recordStartOfLast();
  void writeRecord(int pageNo, const QByteArray& pic, const QByteArray* coded);
  // Pages are sealed, coded and written on a worker thread, in page order; every reader waits
  // for it. A page that could not be stored leaves the store broken: every later read, save or
  // page added reports that failure (whichever thread asks first), until the pages are replaced.
  void flush();
  // Waits as flush() does and forgets a failure: the pages are about to be replaced.
  void settle();
  void workerLoop();
  void stopWorker();

  mutable QRecursiveMutex lock_;
  bool compression_ = false;
  int pageCount_ = 0;
  std::unique_ptr<TRpStream> stream_;
  QString fileName_;
  int walkSteps_ = 0;

  struct Pending {
    int page = 0;
    std::unique_ptr<QPicture> pic;              // a finished picture, or
    std::unique_ptr<TRpPageRecorder> recorder;  // a page still open in
    std::unique_ptr<QPainter> painter;
  };
  void enqueue(Pending&& page);
  std::thread worker_;
  std::mutex qlock_;
  std::condition_variable qcv_;
  std::deque<Pending> queue_;
  bool busy_ = false;
  bool stop_ = false;
  std::exception_ptr workerError_;
};

}  // namespace cotavia
