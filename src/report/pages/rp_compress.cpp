#include "report/pages/rp_compress.h"

#include "report/pages/rp_stream.h"
#include "report/pages/rp_types.h"

#include <QtEndian>
#include <cstring>

namespace cotavia {

// The coding tree: Left[j] and Right[j] of internal node j are child[2j] and child[2j+1] (the
// values of the 16-bit entries, interleaved so that a bit picks the child by index); Up[i] holds
// the values of the 8-bit entries. Kept as ints for speed.
struct TRpCompress::Tree {
  int child[512];
  int up[513];

  Tree() {
    for (int j = 0; j < 256; ++j) {
      child[2 * j] = 2 * j + 1;
      child[2 * j + 1] = 2 * j + 2;
    }
    up[0] = 0;
    for (int i = 1; i <= 512; ++i) up[i] = (i - 1) / 2;
  }

  // Moves the leaf of byte c towards the root (semi-splaying, pairs of levels at a time). On the
  // way up, bit(right) is told for every edge from the leaf to the root, each read before the
  // step that changes it: the code of c in the tree as it was, leaf end first.
  template <class Bit>
  void splay(int c, Bit&& bit) {
    int a = c + 256;
    for (;;) {
      const int cc = up[a];
      const int aRight = child[2 * cc] != a;
      bit(aRight);
      if (cc == 0) return;
      const int d = up[cc];
      const int ccLeft = child[2 * d] == cc;
      bit(ccLeft ^ 1);
      // a takes the place of cc's sibling b under d; b takes a's place under cc.
      const int sibling = 2 * d + ccLeft;
      const int b = child[sibling];
      child[sibling] = a;
      child[2 * cc + aRight] = b;
      up[a] = d;
      up[b] = cc;
      a = d;
      if (a == 0) return;
    }
  }
  void splay(int c) {
    splay(c, [](int) {});
  }
};

// Coded bits, least significant first, gathered 32 at a time into a growing byte buffer.
struct TRpCompress::BitSink {
  QByteArray out;
  qsizetype used = 0;
  uint64_t acc = 0;
  int nacc = 0;

  // Room for the code of one more byte (at most 256 bits) and the bits pending.
  void reserveOne() {
    if (used + 48 > out.size()) out.resize(qMax<qsizetype>(used + 48, out.size() * 2));
  }
  void put(uint64_t bits, int n) {  // n <= 32, nothing above bit n
    acc |= bits << nacc;
    nacc += n;
    if (nacc >= 32) {
      qToLittleEndian<quint32>(quint32(acc), out.data() + used);
      used += 4;
      acc >>= 32;
      nacc -= 32;
    }
  }
  void put64(uint64_t bits, int n) {  // n <= 64
    if (n > 32) {
      put(bits & 0xFFFFFFFFu, 32);
      put(bits >> 32, n - 32);
    } else {
      put(bits, n);
    }
  }
  // Pads the last byte with 0 bits.
  void finish() {
    reserveOne();
    while (nacc > 0) {
      out[used++] = char(acc & 0xFF);
      acc >>= 8;
      nacc = nacc > 8 ? nacc - 8 : 0;
    }
  }
};

namespace {

// Codes byte c (root first) into the sink and splays its leaf, in one walk up the tree.
inline void codeByte(TRpCompress::Tree& t, int c, TRpCompress::BitSink& sink) {
  // Shifting left as the walk goes up leaves the root's bit lowest, the first to go out. Paths
  // longer than 64 levels keep their leaf-side words apart.
  uint64_t code = 0;
  int depth = 0;
  uint64_t deep[4];
  int ndeep = 0;
  t.splay(c, [&](int right) {
    code = (code << 1) | uint64_t(right);
    if (++depth == 64) {
      deep[ndeep++] = code;
      code = 0;
      depth = 0;
    }
  });
  sink.reserveOne();
  sink.put64(code, depth);
  while (ndeep > 0) sink.put64(deep[--ndeep], 64);
}

}  // namespace

TRpCompress::TRpCompress(TRpStream* stream, bool compress)
    : tree_(std::make_unique<Tree>()), stream_(stream), compress_(compress) {
  if (compress_)
    sink_ = std::make_unique<BitSink>();
  else
    bitPos_ = 8;  // a new decoder reads a byte at the first bit
}

TRpCompress::~TRpCompress() {
  try {
    if (compress_) Flush();
  } catch (...) {
  }
}

void TRpCompress::Put(uint8_t c) {
  codeByte(*tree_, c, *sink_);
  if (sink_->used >= 65536 && stream_) {
    stream_->Write(sink_->out.constData(), sink_->used);
    sink_->used = 0;
  }
}

void TRpCompress::Flush() {
  if (!compress_ || flushed_) return;
  flushed_ = true;
  sink_->finish();
  if (stream_ && sink_->used > 0) stream_->Write(sink_->out.constData(), sink_->used);
  sink_->used = 0;
}

uint8_t TRpCompress::Get() {
  int node = 0;
  const int* child = tree_->child;
  while (node < 256) {
    if (bitPos_ == 8) {
      uint8_t b;
      if (!stream_ || stream_->Read(&b, 1) != 1) throw ERpError("compressed page data ends too early");
      bitBuf_ = b;
      bitPos_ = 0;
    }
    node = child[2 * node + ((bitBuf_ >> bitPos_) & 1)];
    ++bitPos_;
  }
  if (node > 511) throw ERpError("compressed page data is damaged");
  tree_->splay(node - 256);
  return uint8_t(node - 256);
}

QByteArray TRpCompress::compressBytes(const QByteArray& in) { return compressBytes(in.constData(), in.size()); }

QByteArray TRpCompress::compressBytes(const char* data, qint64 len) {
  Tree t;
  BitSink sink;
  sink.out.resize(qsizetype(len / 2 + 64));
  const auto* p = reinterpret_cast<const uint8_t*>(data);
  for (qint64 i = 0; i < len; ++i) codeByte(t, p[i], sink);
  sink.finish();
  sink.out.resize(sink.used);
  return std::move(sink.out);
}

QByteArray TRpCompress::expandBytes(const char* data, qint64 len, qint64 outLen) {
  if (outLen < 0) throw ERpError("compressed page data is damaged");
  // Every byte costs at least one bit: more output than 8 per input byte cannot be right.
  if (outLen > len * 8) throw ERpError("compressed length larger than the data allows");
  Tree t;
  QByteArray out(qsizetype(outLen), Qt::Uninitialized);
  auto* o = reinterpret_cast<uint8_t*>(out.data());
  const auto* in = reinterpret_cast<const uint8_t*>(data);
  qint64 inPos = 0;
  uint64_t cur = 0;
  int bits = 0;  // bits left in cur
  for (qint64 i = 0; i < outLen; ++i) {
    int node = 0;
    do {
      if (bits == 0) {
        if (inPos + 8 <= len) {
          cur = qFromLittleEndian<quint64>(in + inPos);
          inPos += 8;
          bits = 64;
        } else if (inPos < len) {
          cur = in[inPos++];
          bits = 8;
        } else {
          throw ERpError("compressed page data ends too early");
        }
      }
      node = t.child[2 * node + int(cur & 1)];
      cur >>= 1;
      --bits;
    } while (node < 256);
    if (node > 511) throw ERpError("compressed page data is damaged");
    const int c = node - 256;
    o[i] = uint8_t(c);
    t.splay(c);
  }
  return out;
}

}  // namespace cotavia
