#include "report/rp_pagecheck.h"

#include <QDataStream>
#include <QtEndian>
#include <cstring>

#include "report/rp_replay.h"

namespace cotavia {

using namespace rpdetail;

namespace {

// Reads the fields of one command, never past its end. Every read that would cross the end,
// and every count that its remaining bytes could not hold, marks the command bad; further reads
// then do nothing.
class FieldReader {
 public:
  FieldReader(const char* p, qint64 len, int version)
      : p_(reinterpret_cast<const uchar*>(p)), left_(len), v_(version) {}

  bool ok() const { return ok_; }
  bool atEnd() const { return ok_ && left_ == 0; }
  void fail() { ok_ = false; }

  void skip(qint64 n) {
    if (!ok_ || n < 0 || n > left_) return fail();
    p_ += n;
    left_ -= n;
  }
  quint32 u32() {
    if (!ok_ || left_ < 4) {
      fail();
      return 0;
    }
    const quint32 v = qFromBigEndian<quint32>(p_);
    skip(4);
    return v;
  }
  // A count of list elements of at least `each` bytes: no more than the rest can hold.
  quint32 count(qint64 each) {
    const quint32 n = u32();
    if (ok_ && qint64(n) > left_ / each) fail();
    return ok_ ? n : 0;
  }
  void string() {
    const quint32 bytes = u32();
    if (bytes == 0xFFFFFFFFu) return;  // a null string
    if (bytes % 2 != 0) return fail();
    skip(bytes);
  }
  void color() { skip(11); }  // spec, alpha, red, green, blue, padding
  void point() { skip(16); }
  void rect() { skip(32); }
  void transform() { skip(72); }
  void polygon() { skip(qint64(count(16)) * 16); }

  void font() {
    string();                                    // family
    if (v_ >= QDataStream::Qt_5_4) string();     // style name
    skip(8 + 4 + 1);                             // point size, pixel size, style hint
    skip(v_ >= QDataStream::Qt_5_4 ? 2 : 1);     // style strategy
    skip(2 + 1 + 2);                             // weight, bits, stretch
    if (v_ >= QDataStream::Qt_4_4) skip(1);      // extended bits
    if (v_ >= QDataStream::Qt_4_5) skip(4 + 4);  // letter and word spacing
    if (v_ >= QDataStream::Qt_5_4) skip(1);      // hinting preference
    if (v_ >= QDataStream::Qt_5_6) skip(1);      // capitalization
    if (v_ >= QDataStream::Qt_5_13) {            // the other families
      const quint32 n = count(4);
      for (quint32 i = 0; i < n && ok_; ++i) string();
    }
  }

  void brush() {
    if (!ok_ || left_ < 1) return fail();
    const quint8 style = *p_;
    skip(1);
    color();
    if (style == Qt::TexturePattern) return fail();  // an image: never drawn by a report
    if (style == Qt::LinearGradientPattern || style == Qt::RadialGradientPattern ||
        style == Qt::ConicalGradientPattern) {
      const qint32 type = qint32(u32());
      skip(4 + 4);                             // spread, coordinate mode
      if (v_ >= QDataStream::Qt_4_5) skip(4);  // interpolation mode
      skip(qint64(count(19)) * 19);            // stops: position and colour
      if (type == 0)                           // linear: start, final stop
        skip(32);
      else if (type == 1)  // radial: centre, focal point, radius (and focal radius)
        skip(16 + 16 + 8 + (v_ >= QDataStream::Qt_6_0 ? 8 : 0));
      else  // conical: centre, angle
        skip(16 + 8);
    }
    transform();
  }

  void pen() {
    skip(2 + 1 + 8);  // style, cosmetic, width
    brush();
    skip(8);                                 // miter limit
    skip(qint64(count(8)) * 8);              // dash pattern
    skip(8);                                 // dash offset
    if (v_ >= QDataStream::Qt_5_0) skip(1);  // default width
  }

  void path() {
    const quint32 n = count(20);
    if (n == 0) return;            // an empty path is its count alone
    skip(qint64(n) * 20 + 4 + 4);  // elements, start of the current subpath, fill rule
  }

  void region() {
    const quint32 bytes = u32();
    if (bytes == 0 || bytes == 0xFFFFFFFFu) return;  // the empty region
    // A list of rectangles: its tag, its count, the rectangles; nothing else is recorded.
    if (bytes < 8 || u32() != 10) return fail();
    const quint32 n = count(16);
    if (bytes != 8 + qint64(n) * 16) return fail();
    skip(qint64(n) * 16);
  }

 private:
  const uchar* p_;
  qint64 left_;
  int v_;
  bool ok_ = true;
};

const char* commandName(quint8 c) {
  switch (c) {
    case kDrawEllipse:
      return "ellipse";
    case kDrawPolyline:
      return "polyline";
    case kDrawPolygon:
      return "polygon";
    case kDrawTextItem:
      return "text";
    case kDrawPath:
      return "path";
    case kSetFont:
      return "set font";
    case kSetPen:
      return "set pen";
    case kSetBrush:
      return "set brush";
    case kSetWMatrix:
      return "set transformation";
    case kSetClipRegion:
      return "set clip region";
    case kSetClipPath:
      return "set clip path";
    default:
      return "drawing command";
  }
}

}  // namespace

QString rpCheckPicture(const char* d, qsizetype n) {
  if (n < kFirstCommand || std::memcmp(d, "QPIC", 4) != 0 || quint8(d[10]) != kBegin)
    return QStringLiteral("the page is not a picture");
  if (rpPictureChecksum(d + 6, n - 6) != qFromBigEndian<quint16>(d + 4))
    return QStringLiteral("the page's checksum does not match its contents");
  const int version = qFromBigEndian<quint16>(d + 6);
  if (version < QDataStream::Qt_4_3 || version > QDataStream::Qt_DefaultCompiledVersion)
    return QStringLiteral("the page was recorded in an unknown format (version %1)").arg(version);

  quint32 records = qFromBigEndian<quint32>(d + kFirstCommand - 4);
  qint64 pos = kFirstCommand;
  for (int index = 1; records-- > 0 && pos < n; ++index) {
    auto bad = [&](quint8 c) {
      return QStringLiteral("command %1 (%2) is damaged").arg(index).arg(QLatin1String(commandName(c)));
    };
    if (n - pos < 2) return bad(0);
    const quint8 c = quint8(d[pos]);
    qint64 len = quint8(d[pos + 1]);
    pos += 2;
    if (len == 255) {
      if (n - pos < 4) return bad(c);
      len = qFromBigEndian<quint32>(d + pos);
      pos += 4;
    }
    if (len > n - pos) return bad(c);
    FieldReader r(d + pos, len, version);
    switch (c) {
      case kEnd:
        return len == 0 ? QString() : bad(c);
      case kSave:
      case kRestore:
        break;
      case kDrawEllipse:
        r.rect();
        break;
      case kDrawPolyline:
        r.polygon();
        break;
      case kDrawPolygon:
        r.polygon();
        r.skip(1);  // fill rule
        break;
      case kDrawTextItem:
        r.point();
        r.string();
        r.font();
        r.skip(4 + 8 + 8);  // render flags, resolution scale, justification width
        break;
      case kDrawPath:
        r.path();
        break;
      case kSetBkColor:
        r.color();
        break;
      case kSetBkMode:
      case kSetClipEnabled:
        r.skip(1);
        break;
      case kSetBrushOrigin:
        r.point();
        break;
      case kSetFont:
        r.font();
        break;
      case kSetPen:
        r.pen();
        break;
      case kSetBrush:
        r.brush();
        break;
      case kSetWMatrix:
        r.transform();
        r.skip(1);  // combine
        break;
      case kSetClipRegion:
        r.region();
        r.skip(1);  // clip operation
        break;
      case kSetClipPath:
        r.path();
        r.skip(1);  // clip operation
        break;
      case kSetRenderHint:
      case kSetCompositionMode:
        r.skip(4);
        break;
      case kSetOpacity:
        r.skip(8);
        break;
      default:
        return QStringLiteral("command %1 (code %2) is not part of a report page").arg(index).arg(c);
    }
    if (!r.atEnd()) return bad(c);
    pos += len;
  }
  return QString();
}

}  // namespace cotavia
