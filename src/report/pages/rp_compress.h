#pragma once
// The splay-tree coder of compressed report pages (page store and report files).
#include <QByteArray>
#include <cstdint>
#include <memory>

namespace cotavia {

class TRpStream;

// The adaptive splay-tree coder (D. W. Jones' splay-tree compression) over 256 byte values.
// Bits fill each output byte from the least significant bit; the last byte is padded with 0 bits.
class TRpCompress {
 public:
  // Compress mode writes coded bytes to the stream; expand mode reads them from it.
  TRpCompress(TRpStream* stream, bool compress);
  // In compress mode the last partial byte is written.
  ~TRpCompress();
  TRpCompress(const TRpCompress&) = delete;
  TRpCompress& operator=(const TRpCompress&) = delete;

  void Put(uint8_t c);  // compress mode: codes one byte
  uint8_t Get();        // expand mode: decodes one byte (throws ERpError at the stream's end)
  void Flush();         // compress mode: writes the last partial byte (once)

  // Internal: the coding tree and the coded bits waiting to be written.
  struct Tree;
  struct BitSink;

  // Whole-buffer helpers with fresh coders (the same bits as the stream coder).
  static QByteArray compressBytes(const QByteArray& in);
  static QByteArray compressBytes(const char* data, qint64 len);
  // Decodes exactly outLen bytes; throws ERpError when the coded bytes run out.
  static QByteArray expandBytes(const char* data, qint64 len, qint64 outLen);

 private:
  std::unique_ptr<Tree> tree_;
  TRpStream* stream_;
  bool compress_;
  bool flushed_ = false;
  std::unique_ptr<BitSink> sink_;  // compress mode
  uint32_t bitBuf_ = 0;            // expand mode: the byte being read
  int bitPos_ = 0;
};

}  // namespace cotavia
