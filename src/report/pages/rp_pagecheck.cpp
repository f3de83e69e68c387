#include "report/pages/rp_pagecheck.h"

#include <QColor>
#include <QDataStream>
#include <QFont>
#include <QGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>
#include <cmath>
#include <cstring>

namespace cotavia {

using namespace rpdetail;

namespace {

// Tables of the reflected CRC-16 (polynomial 0x8408): crcTable[k][b] is the register change for
// byte b followed by k zero bytes.
struct CrcTables {
  quint16 t[8][256];
  CrcTables() {
    for (int b = 0; b < 256; ++b) {
      quint16 c = quint16(b);
      for (int i = 0; i < 8; ++i) c = (c & 1) ? quint16((c >> 1) ^ 0x8408) : quint16(c >> 1);
      t[0][b] = c;
    }
    for (int k = 1; k < 8; ++k)
      for (int b = 0; b < 256; ++b) t[k][b] = quint16((t[k - 1][b] >> 8) ^ t[0][t[k - 1][b] & 0xFF]);
  }
};

// Coordinates and sizes of a report page are a few thousand units; anything beyond this is
// damage (and makes the painter stroke, dash or lay out for minutes).
constexpr double kMaxCoord = 1e6;
constexpr double kMaxWidth = 1e4;  // pen widths, dashes, font sizes

// Reads the fields of one command, never past its end. Every read that would cross the end,
// every value outside what the painter handles (an unknown style or mode, an infinite or huge
// coordinate), and every count that its remaining bytes could not hold marks the command bad;
// further reads then do nothing.
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
  // An unsigned integer of 1, 2 or 4 bytes, which must lie in lo..hi.
  quint32 uint(int bytes, quint32 lo = 0, quint32 hi = 0xFFFFFFFFu) {
    if (!ok_ || left_ < bytes) {
      fail();
      return 0;
    }
    const quint32 v = bytes == 1 ? *p_ : bytes == 2 ? qFromBigEndian<quint16>(p_) : qFromBigEndian<quint32>(p_);
    skip(bytes);
    if (v < lo || v > hi) fail();
    return ok_ ? v : 0;
  }
  qint32 int32(qint32 lo, qint32 hi) {
    const qint32 v = qint32(uint(4));
    if (v < lo || v > hi) fail();
    return ok_ ? v : 0;
  }
  bool flag() { return uint(1, 0, 1) != 0; }
  // A finite double no larger than `limit`, and no smaller than `low`.
  double real(double limit = kMaxCoord, double low = -kMaxCoord) {
    if (!ok_ || left_ < 8) {
      fail();
      return 0;
    }
    const quint64 bits = qFromBigEndian<quint64>(p_);
    double v;
    std::memcpy(&v, &bits, 8);
    skip(8);
    if (!std::isfinite(v) || v > limit || v < low) fail();
    return ok_ ? v : 0;
  }
  // A count of list elements of at least `each` bytes: no more than the rest can hold.
  quint32 count(qint64 each) {
    const quint32 n = uint(4);
    if (ok_ && qint64(n) > left_ / each) fail();
    return ok_ ? n : 0;
  }
  void string() {
    const quint32 bytes = uint(4);
    if (bytes == 0xFFFFFFFFu) return;  // a null string
    if (bytes % 2 != 0) return fail();
    skip(bytes);
  }
  void color() {
    uint(1, QColor::Invalid, QColor::Hsl);  // spec (never the half-float extended kind)
    skip(10);                               // alpha, red, green, blue, padding
  }
  void point() {
    real();
    real();
  }
  void rect() {
    point();
    point();
  }
  void transform() {
    for (int i = 0; i < 9; ++i) real();
  }
  void polygon() {
    const quint32 n = count(16);
    for (quint32 i = 0; i < n && ok_; ++i) point();
  }

  void font() {
    string();                                 // family
    if (v_ >= QDataStream::Qt_5_4) string();  // style name
    const double points = real(kMaxWidth, -1);
    if (points < 0 && points != -1) fail();
    const qint32 pixels = int32(-1, qint32(kMaxWidth));
    if (pixels < 0 && points < 0) fail();     // neither a point size nor a pixel size
    uint(1);                                  // style hint
    uint(v_ >= QDataStream::Qt_5_4 ? 2 : 1);  // style strategy
    if (v_ >= QDataStream::Qt_6_0) {
      uint(2, 1, 1000);  // weight
    } else {
      uint(1);
      uint(1, 0, 99);  // character set, weight
    }
    uint(1);                                 // bold, italic, underline... bits
    uint(2, 0, 4000);                        // stretch
    if (v_ >= QDataStream::Qt_4_4) uint(1);  // extended bits
    if (v_ >= QDataStream::Qt_4_5) {         // letter and word spacing, in 64ths
      int32(-64 * int(kMaxWidth), 64 * int(kMaxWidth));
      int32(-64 * int(kMaxWidth), 64 * int(kMaxWidth));
    }
    if (v_ >= QDataStream::Qt_5_4) uint(1, QFont::PreferDefaultHinting, QFont::PreferFullHinting);
    if (v_ >= QDataStream::Qt_5_6) uint(1, QFont::MixedCase, QFont::Capitalize);
    if (v_ >= QDataStream::Qt_5_13) {  // the other families
      const quint32 n = count(4);
      for (quint32 i = 0; i < n && ok_; ++i) string();
    }
  }

  void brush() {
    // Solid, pattern and gradient brushes; a texture is an image, never drawn by a report.
    const quint32 style = uint(1, Qt::NoBrush, Qt::ConicalGradientPattern);
    color();
    if (style >= Qt::LinearGradientPattern) {
      const qint32 type = int32(QGradient::LinearGradient, QGradient::ConicalGradient);
      int32(QGradient::PadSpread, QGradient::RepeatSpread);
      int32(QGradient::LogicalMode, QGradient::ObjectMode);
      if (v_ >= QDataStream::Qt_4_5) int32(QGradient::ColorInterpolation, QGradient::ComponentInterpolation);
      const quint32 stops = count(19);
      for (quint32 i = 0; i < stops && ok_; ++i) {
        real(1, 0);  // position
        color();
      }
      if (type == QGradient::LinearGradient) {
        point();  // start
        point();  // final stop
      } else if (type == QGradient::RadialGradient) {
        point();  // centre
        point();  // focal point
        real(kMaxCoord, 0);
        if (v_ >= QDataStream::Qt_6_0) real(kMaxCoord, 0);  // radius, focal radius
      } else {
        point();  // centre
        real();   // angle
      }
    }
    transform();
  }

  void pen() {
    const quint32 style = uint(2);
    const quint32 kind = style & Qt::MPenStyle, cap = style & Qt::MPenCapStyle, join = style & Qt::MPenJoinStyle;
    if (kind > Qt::CustomDashLine ||
        (style & ~(quint32(Qt::MPenStyle) | quint32(Qt::MPenCapStyle) | quint32(Qt::MPenJoinStyle))) ||
        cap > Qt::RoundCap ||
        (join != Qt::MiterJoin && join != Qt::BevelJoin && join != Qt::RoundJoin && join != Qt::SvgMiterJoin))
      fail();
    flag();              // cosmetic
    real(kMaxWidth, 0);  // width
    brush();
    real(kMaxWidth, 0);  // miter limit
    const quint32 dashes = count(8);
    for (quint32 i = 0; i < dashes && ok_; ++i) real(kMaxWidth, 0);
    real();                                 // dash offset
    if (v_ >= QDataStream::Qt_5_0) flag();  // default width
  }

  void path() {
    const quint32 n = count(20);
    if (n == 0) return;  // an empty path is its count alone
    // A move first; a curve is its end point's element and two control points.
    int controls = 0;
    for (quint32 i = 0; i < n && ok_; ++i) {
      const qint32 type = int32(QPainterPath::MoveToElement, QPainterPath::CurveToDataElement);
      if (i == 0 && type != QPainterPath::MoveToElement) fail();
      if (controls > 0) {
        if (type != QPainterPath::CurveToDataElement) fail();
        --controls;
      } else if (type == QPainterPath::CurveToDataElement) {
        fail();
      } else if (type == QPainterPath::CurveToElement) {
        controls = 2;
      }
      point();
    }
    if (controls > 0) fail();
    int32(0, qint32(n) - 1);                  // start of the current subpath
    int32(Qt::OddEvenFill, Qt::WindingFill);  // fill rule
  }

  void region() {
    const quint32 bytes = uint(4);
    if (bytes == 0 || bytes == 0xFFFFFFFFu) return;  // the empty region
    // A list of rectangles: its tag, its count, the rectangles; nothing else is recorded.
    if (bytes < 8 || uint(4) != 10) return fail();
    const quint32 n = count(16);
    if (bytes != 8 + qint64(n) * 16) return fail();
    for (quint32 i = 0; i < 4 * n && ok_; ++i) int32(-qint32(kMaxCoord), qint32(kMaxCoord));
  }

  void clipOperation() { uint(1, Qt::NoClip, Qt::IntersectClip); }

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

namespace rpdetail {

quint16 rpPictureChecksum(const char* data, qsizetype len) {
  static const CrcTables tables;
  const auto& t = tables.t;
  const auto* p = reinterpret_cast<const uchar*>(data);
  quint16 crc = 0xFFFF;
  for (; len >= 8; len -= 8, p += 8) {
    const quint64 v = qFromLittleEndian<quint64>(p) ^ crc;
    crc = t[7][v & 0xFF] ^ t[6][(v >> 8) & 0xFF] ^ t[5][(v >> 16) & 0xFF] ^ t[4][(v >> 24) & 0xFF] ^
          t[3][(v >> 32) & 0xFF] ^ t[2][(v >> 40) & 0xFF] ^ t[1][(v >> 48) & 0xFF] ^ t[0][v >> 56];
  }
  for (; len > 0; --len) crc = quint16((crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF]);
  return quint16(~crc);
}

PictureHeader rpPictureHeader(const char* d, qsizetype n, int* version) {
  if (n < kFirstCommand || std::memcmp(d, "QPIC", 4) != 0 || quint8(d[10]) != kBegin) return PictureHeader::NotAPicture;
  if (rpPictureChecksum(d + 6, n - 6) != qFromBigEndian<quint16>(d + 4)) return PictureHeader::BadChecksum;
  *version = qFromBigEndian<quint16>(d + 6);
  if (*version < QDataStream::Qt_4_3 || *version > QDataStream::Qt_DefaultCompiledVersion)
    return PictureHeader::UnknownVersion;
  return PictureHeader::Sound;
}

bool rpPictureCommand(const char* d, qsizetype n, qint64 pos, PictureCommand& c) {
  if (n - pos < 2) return false;
  c.code = quint8(d[pos]);
  c.len = quint8(d[pos + 1]);
  c.at = pos + 2;
  if (c.len == 255) {  // a long command: its length follows in 32 bits
    if (n - c.at < 4) return false;
    c.len = qFromBigEndian<quint32>(d + c.at);
    c.at += 4;
  }
  return true;
}

}  // namespace rpdetail

namespace {

// What is wrong with the picture's header, or an empty text when it is sound.
QString headerProblem(const char* d, qsizetype n, int& version) {
  switch (rpPictureHeader(d, n, &version)) {
    case PictureHeader::NotAPicture:
      return QStringLiteral("the page is not a picture");
    case PictureHeader::BadChecksum:
      return QStringLiteral("the page's checksum does not match its contents");
    case PictureHeader::UnknownVersion:
      return QStringLiteral("the page was recorded in an unknown format (version %1)").arg(version);
    case PictureHeader::Sound:
      break;
  }
  return QString();
}

// The page's rectangle (left, top, width, height) must be the paper, in page units.
bool rectangleIsSound(const char* d) {
  for (int i = 0; i < 4; ++i) {
    const qint32 v = qFromBigEndian<qint32>(d + 12 + 4 * i);
    if (v > kMaxCoord || v < (i < 2 ? -kMaxCoord : 0)) return false;
  }
  return true;
}

// Reads the fields of one command other than the end mark; false for a command that a report
// page never holds.
bool readCommandFields(FieldReader& r, quint8 c) {
  switch (c) {
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
      r.uint(1, Qt::OddEvenFill, Qt::WindingFill);
      break;
    case kDrawTextItem:
      r.point();
      r.string();
      r.font();
      r.uint(4);          // render flags
      r.real(100, 1e-3);  // resolution scale
      r.real();           // justification width
      break;
    case kDrawPath:
      r.path();
      break;
    case kSetBkColor:
      r.color();
      break;
    case kSetBkMode:
      r.uint(1, Qt::TransparentMode, Qt::OpaqueMode);
      break;
    case kSetClipEnabled:
      r.flag();
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
      r.flag();  // combine
      break;
    case kSetClipRegion:
      r.region();
      r.clipOperation();
      break;
    case kSetClipPath:
      r.path();
      r.clipOperation();
      break;
    case kSetRenderHint:
      r.uint(4);
      break;
    case kSetCompositionMode:
      r.uint(4, QPainter::CompositionMode_SourceOver, QPainter::RasterOp_NotDestination);
      break;
    case kSetOpacity:
      r.real(1, 0);
      break;
    default:
      return false;
  }
  return true;
}

}  // namespace

QString rpCheckPicture(const char* d, qsizetype n) {
  int version = 0;
  if (QString problem = headerProblem(d, n, version); !problem.isEmpty()) return problem;
  if (!rectangleIsSound(d)) return QStringLiteral("the page's rectangle is damaged");
  quint32 records = qFromBigEndian<quint32>(d + kFirstCommand - 4);
  qint64 pos = kFirstCommand;
  for (int index = 1; records-- > 0 && pos < n; ++index) {
    auto bad = [&](quint8 c) {
      return QStringLiteral("command %1 (%2) is damaged").arg(index).arg(QLatin1String(commandName(c)));
    };
    PictureCommand command;
    if (!rpPictureCommand(d, n, pos, command)) return bad(n - pos >= 2 ? quint8(d[pos]) : 0);
    const quint8 c = command.code;
    const qint64 len = command.len;
    pos = command.at;
    if (len > n - pos) return bad(c);
    if (c == kEnd) return len == 0 ? QString() : bad(c);
    FieldReader r(d + pos, len, version);
    if (!readCommandFields(r, c))
      return QStringLiteral("command %1 (code %2) is not part of a report page").arg(index).arg(c);
    if (!r.atEnd()) return bad(c);
    pos += len;
  }
  return QString();
}

}  // namespace cotavia
