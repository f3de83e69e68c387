// The splay-tree coder. As a decoder: any coded bytes give the wanted number of bytes or a
// message, the same from the whole-buffer and the stream decoder. As a round trip: any bytes
// coded and decoded again come back unchanged, and both coders write the same bits.
#include "fuzz_support.h"
#include "report/pages/rp_pagestore.h"

#include <cstdint>

using namespace cotavia;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  if (size >= 2) {
    // Decoding: the first two bytes give the length wanted, the rest are coded bytes.
    const qint64 wanted = data[0] | (data[1] << 8);
    const char* coded = bytes + 2;
    const qint64 codedLen = qint64(size) - 2;
    QByteArray whole, streamed;
    bool wholeOk = true, streamOk = true;
    try {
      whole = TRpCompress::expandBytes(coded, codedLen, wanted);
    } catch (const ERpError&) {
      wholeOk = false;
    }
    TRpStream in(1 << 20);
    in.Write(coded, codedLen);
    in.Seek(0);
    try {
      TRpCompress dec(&in, false);
      for (qint64 i = 0; i < wanted; ++i) streamed.append(char(dec.Get()));
    } catch (const ERpError&) {
      streamOk = false;
    }
    FUZZ_CHECK(wholeOk == streamOk);
    if (wholeOk) FUZZ_CHECK(whole.size() == wanted && whole == streamed);
  }

  // Round trip of the input itself.
  const QByteArray plain(bytes, qsizetype(size));
  const QByteArray coded = TRpCompress::compressBytes(plain);
  QByteArray back;
  try {
    back = TRpCompress::expandBytes(coded.constData(), coded.size(), plain.size());
  } catch (const ERpError& e) {
    fuzz::fail("coded bytes do not decode", __FILE__, __LINE__, e.what());
  }
  FUZZ_CHECK(back == plain);
  TRpStream out(1 << 30);
  {
    TRpCompress enc(&out, true);
    for (char c : plain) enc.Put(uint8_t(c));
  }
  QByteArray streamCoded(qsizetype(out.Size()), Qt::Uninitialized);
  out.Seek(0);
  out.ReadExact(streamCoded.data(), streamCoded.size());
  FUZZ_CHECK(streamCoded == coded);
  return 0;
}
