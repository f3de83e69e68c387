#pragma once
// The page stream of the report engine: the bytes of the page store and of report files, in
// memory or in one temporary file (the coder reads and writes its coded pages through it).
#include <QByteArray>
#include <QFile>
#include <QRecursiveMutex>
#include <QString>
#include <memory>

class QIODevice;

namespace cotavia {

// The page stream: bytes in memory up to MemoryLimit, then in one temporary file in the system's
// temporary folder that has no name there (O_TMPFILE, or "RPF*.tmp" removed as soon as it is
// opened): its space is freed when the stream is freed or the program ends, however it ends.
// Every operation holds the stream's lock.
class TRpStream {
 public:
  // In memory with a limit (bytes).
  explicit TRpStream(qint64 memoryLimit);
  // Over an existing file opened for reading. Throws ERpError when it cannot be opened.
  static std::unique_ptr<TRpStream> openFile(const QString& fileName);
  ~TRpStream();
  TRpStream(const TRpStream&) = delete;
  TRpStream& operator=(const TRpStream&) = delete;

  qint64 Size() const;
  qint64 Position() const;
  void Seek(qint64 pos);
  // Reads up to len bytes; returns the number read.
  qint64 Read(void* buf, qint64 len);
  // Reads exactly len bytes or throws ERpError("unexpected end of the page stream").
  void ReadExact(void* buf, qint64 len);
  // Writes at the position (spilling to the temporary file past the limit). Throws on failure.
  void Write(const void* buf, qint64 len);
  qint32 ReadInt32();
  // Copies the whole stream, from its start, to dest in blocks of 10240 bytes.
  void SaveToStream(QIODevice& dest);

  bool InMemory() const;
  // The report file's name when opened over one (empty otherwise: the temporary file has none).
  QString FileName() const;

 private:
  TRpStream() = default;
  void spill();

  mutable QRecursiveMutex lock_;
  qint64 limit_ = 0;
  QByteArray mem_;
  qint64 pos_ = 0;
  bool inMemory_ = true;
  bool readOnly_ = false;
  std::unique_ptr<QFile> temp_;
  std::unique_ptr<QFile> file_;
  QString fileName_;
  QIODevice* dev_ = nullptr;
};

}  // namespace cotavia
