#include "report/pages/rp_record.h"

#include "report/pages/rp_pagecheck.h"
#include "report/pages/rp_replay.h"
#include "report/pages/rp_types.h"

#include <QBuffer>
#include <QDataStream>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QLineF>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QRawFont>
#include <QtEndian>
#include <cstring>
#include <vector>

namespace cotavia {

// ---------------------------------------------------------------------------------------------
// TRpMetafile

int TRpMetafile::metric(PaintDeviceMetric m) const {
  switch (m) {
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
      return kRpScreenDpi;
    case PdmDevicePixelRatio:
      return 1;
    case PdmDevicePixelRatioScaled:
      return int(devicePixelRatioFScale());
    default:
      return QPicture::metric(m);
  }
}

namespace rpdetail {

namespace {

enum : quint8 { kDrawPixmap = 17, kDrawImage = 18, kDrawTiledPixmap = 24 };

// The format version a QPicture of this Qt writes (major, minor), read once off a picture.
struct PictureFormat {
  quint16 major = 0, minor = 0;
};
const PictureFormat& pictureFormat() {
  static const PictureFormat format = [] {
    TRpMetafile probe;
    probe.setBoundingRect(QRect(0, 0, 1, 1));
    QPainter(&probe).end();
    PictureFormat f;
    f.major = qFromBigEndian<quint16>(probe.data() + 6);
    f.minor = qFromBigEndian<quint16>(probe.data() + 8);
    return f;
  }();
  return format;
}

// Fonts that record the same bytes (QFont's equality leaves the stretch out).
bool sameFont(const QFont& a, const QFont& b) { return a == b && a.stretch() == b.stretch(); }

// What a plain text records after its position and characters (its font, render flags, the
// font's resolution against the screen's and no justification), by font and screen resolution,
// as the first text in that font recorded it. Texts drawn on one thread share them.
struct TextTail {
  QFont font;
  int screenDpi;
  QByteArray bytes;
};
thread_local std::vector<TextTail> textTails;

const QByteArray* tailFor(const QFont& font, int screenDpi) {
  for (const TextTail& t : textTails)
    if (t.screenDpi == screenDpi && sameFont(t.font, font)) return &t.bytes;
  return nullptr;
}

// Which characters a font draws itself (no fallback font), among those a plain text may hold.
struct Coverage {
  QFont font;
  std::vector<bool> below;  // U+0000 to U+036F
  QHash<char16_t, bool> other;
};
thread_local std::vector<Coverage> coverages;

const Coverage& coverageOf(const QFont& font) {
  for (const Coverage& c : coverages)
    if (sameFont(c.font, font)) return c;
  Coverage c;
  c.font = font;
  c.below.assign(0x370, false);
  const QRawFont raw = QRawFont::fromFont(font);
  for (char16_t u = 0x20; u < 0x370; ++u) c.below[u] = raw.isValid() && raw.supportsCharacter(QChar(u));
  // The characters of the Windows code page above U+036F.
  for (char16_t u : {0x2013, 0x2014, 0x2018, 0x2019, 0x201A, 0x201C, 0x201D, 0x201E, 0x2020, 0x2021, 0x2022, 0x2026,
                     0x2030, 0x2039, 0x203A, 0x20AC, 0x2122})
    c.other.insert(u, raw.isValid() && raw.supportsCharacter(QChar(u)));
  if (coverages.size() > 64) coverages.clear();
  coverages.push_back(std::move(c));
  return coverages.back();
}

// Whether QPainter lays the text out as one item of one font, left to right: characters of the
// Latin and common scripts only (no right-to-left character, tab, control or line separator, so
// no bidirectional run and no item break) that the font draws itself (no fallback font).
bool plainText(const QString& text, const Coverage& c) {
  if (text.isEmpty() || text.size() > 1000) return false;
  for (const QChar ch : text) {
    const char16_t u = ch.unicode();
    if (u < 0x370) {
      if (u < 0x20 || (u >= 0x7F && u < 0xA0) || !c.below[u]) return false;
    } else if (!c.other.value(u, false)) {
      return false;
    }
  }
  return true;
}

// The lines QPainter is asked to draw to hand its pending state over to the engine; the engine
// records nothing for them.
const QLineF kStateFlush(qQNaN(), qQNaN(), qQNaN(), qQNaN());

void putU8(QByteArray& b, quint8 v) { b.append(char(v)); }
void putU16(QByteArray& b, quint16 v) {
  char c[2];
  qToBigEndian(v, c);
  b.append(c, 2);
}
void putU32(QByteArray& b, quint32 v) {
  char c[4];
  qToBigEndian(v, c);
  b.append(c, 4);
}
void putF64(QByteArray& b, double v) {
  quint64 bits;
  std::memcpy(&bits, &v, 8);
  char c[8];
  qToBigEndian(bits, c);
  b.append(c, 8);
}

}  // namespace

// The paint engine of TRpPageRecorder: QPicture's engine, command for command, writing each
// command's data with the same QDataStream layouts.
class TRpRecordEngine final : public QPaintEngine {
 public:
  explicit TRpRecordEngine(const QRect& bounds) : QPaintEngine(AllFeatures), bounds_(bounds) {
    stream_.setVersion(pictureFormat().major);
  }

  bool begin(QPaintDevice*) override {
    const PictureFormat& f = pictureFormat();
    buf_.clear();
    buf_.reserve(64 * 1024);
    buf_.append("QPIC", 4);
    putU16(buf_, 0);
    putU16(buf_, f.major);
    putU16(buf_, f.minor);
    putU8(buf_, kBegin);
    putU8(buf_, sizeof(qint32));
    if (f.major >= 4)
      for (const int v : {bounds_.left(), bounds_.top(), bounds_.width(), bounds_.height()}) putU32(buf_, quint32(v));
    trecs_ = 0;
    putU32(buf_, trecs_);
    screenDpi_ = rpPictureDpi(false);  // what a text's font resolution is recorded against
    setActive(true);
    return true;
  }

  bool end() override {
    ++trecs_;
    putU8(buf_, kEnd);
    putU8(buf_, 0);
    // Sealed as QPicture seals a page: the bounding rectangle and the command count after the
    // begin command, then the checksum of everything after the checksum's own place.
    char* seal = buf_.data() + 12;
    if (pictureFormat().major >= 4) {
      for (const int v : {bounds_.left(), bounds_.top(), bounds_.width(), bounds_.height()}) {
        qToBigEndian<qint32>(v, seal);
        seal += 4;
      }
    }
    qToBigEndian<quint32>(trecs_, seal);
    qToBigEndian<quint16>(rpPictureChecksum(buf_.constData() + 6, buf_.size() - 6), buf_.data() + 4);
    side_.reset();
    sidePicture_.reset();
    setActive(false);
    return true;
  }

  Type type() const override { return Picture; }

  void updateState(const QPaintEngineState& state) override {
    const DirtyFlags flags = state.state();
    if (flags & DirtyPen) record(kSetPen, [&](QDataStream& s) { s << state.pen(); });
    if (flags & DirtyBrush) record(kSetBrush, [&](QDataStream& s) { s << state.brush(); });
    if (flags & DirtyBrushOrigin) record(kSetBrushOrigin, [&](QDataStream& s) { s << state.brushOrigin(); });
    if (flags & DirtyFont) record(kSetFont, [&](QDataStream& s) { s << QFont(state.font()); });
    if (flags & DirtyBackground) {
      record(kSetBkColor, [&](QDataStream& s) { s << state.backgroundBrush().color(); });
      record(kSetBkMode, [&](QDataStream& s) { s << qint8(state.backgroundMode()); });
    }
    if (flags & DirtyTransform) record(kSetWMatrix, [&](QDataStream& s) { s << state.transform() << qint8(false); });
    if (flags & DirtyClipEnabled) record(kSetClipEnabled, [&](QDataStream& s) { s << state.isClipEnabled(); });
    if (flags & DirtyClipRegion)
      record(kSetClipRegion, [&](QDataStream& s) { s << state.clipRegion() << qint8(state.clipOperation()); });
    if (flags & DirtyClipPath)
      record(kSetClipPath, [&](QDataStream& s) { s << state.clipPath() << qint8(state.clipOperation()); });
    if (flags & DirtyHints) record(kSetRenderHint, [&](QDataStream& s) { s << quint32(state.renderHints()); });
    if (flags & DirtyCompositionMode)
      record(kSetCompositionMode, [&](QDataStream& s) { s << qint32(state.compositionMode()); });
    if (flags & DirtyOpacity) record(kSetOpacity, [&](QDataStream& s) { s << double(state.opacity()); });
  }

  void drawEllipse(const QRectF& rect) override {
    record(kDrawEllipse, [&](QDataStream& s) { s << rect; });
  }
  using QPaintEngine::drawEllipse;

  void drawPath(const QPainterPath& path) override {
    record(kDrawPath, [&](QDataStream& s) { s << path; });
  }

  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
    QPolygonF polygon;
    polygon.reserve(count);
    for (int i = 0; i < count; ++i) polygon << points[i];
    if (mode == PolylineMode)
      record(kDrawPolyline, [&](QDataStream& s) { s << polygon; });
    else
      record(kDrawPolygon, [&](QDataStream& s) { s << polygon << qint8(mode == OddEvenMode ? 0 : 1); });
  }
  using QPaintEngine::drawPolygon;

  void drawLines(const QLineF* lines, int count) override {
    if (lines == &kStateFlush) return;
    QPaintEngine::drawLines(lines, count);
  }
  using QPaintEngine::drawLines;

  void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override {
    record(kDrawPixmap, [&](QDataStream& s) { s << r << pm << sr; });
  }

  void drawTiledPixmap(const QRectF& r, const QPixmap& pixmap, const QPointF& p) override {
    record(kDrawTiledPixmap, [&](QDataStream& s) { s << r << pixmap << p; });
  }

  void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags flags) override {
    record(kDrawImage, [&](QDataStream& s) { s << r << image << sr << quint32(flags); });
  }

  // A text item as QPainter shaped it: QPicture's own engine writes its command (the item's
  // justification and font resolution are known only to it) on a picture kept aside, and the
  // command is copied from there.
  void drawTextItem(const QPointF& p, const QTextItem& ti) override {
    const QString text = ti.text();
    if (text.isNull()) QPaintEngine::drawTextItem(p, ti);  // glyphs without characters: outlines first
    if (!side_) {
      sidePicture_ = std::make_unique<TRpMetafile>();
      sidePicture_->setBoundingRect(bounds_);
      side_ = std::make_unique<QPainter>(sidePicture_.get());
    }
    const qsizetype from = sidePicture_->size();
    side_->paintEngine()->drawTextItem(p, ti);
    const char* d = sidePicture_->data();
    const qsizetype size = sidePicture_->size();
    // The text's command is the last one written there.
    PictureCommand c{}, last{};
    qint64 lastStart = from;
    for (qint64 pos = from; pos < size && rpPictureCommand(d, size, pos, c); pos = c.at + c.len) {
      last = c;
      lastStart = pos;
    }
    buf_.append(d + lastStart, size - lastStart);
    ++trecs_;
    // A plain text's font tail serves the next texts in its font.
    const qint64 tailAt = last.at + 16 + 4 + 2 * qint64(text.size());
    if (last.code == kDrawTextItem && !text.isNull() && tailAt + 20 <= last.at + last.len) {
      const char* t = d + tailAt;
      const qint64 n = last.at + last.len - tailAt;
      static const char zeros[8] = {};
      if (qFromBigEndian<qint32>(t + n - 20) == 0 && std::memcmp(t + n - 8, zeros, 8) == 0 &&
          !tailFor(ti.font(), screenDpi_)) {
        if (textTails.size() > 64) textTails.clear();
        textTails.push_back({ti.font(), screenDpi_, QByteArray(t, n)});
      }
    }
    if (size > 256 * 1024) {
      side_.reset();
      sidePicture_.reset();
    }
  }

  // rpDrawText's way: the command QPainter::drawText would have recorded, when the text is plain.
  bool drawPlainText(QPainter& painter, const QPoint& p, const QString& text) {
    const QFont& font = painter.font();
    const QPen& pen = painter.pen();
    if (pen.style() == Qt::NoPen || pen.brush().gradient() || painter.brush().gradient() ||
        painter.backgroundMode() != Qt::TransparentMode || painter.layoutDirection() == Qt::RightToLeft ||
        font.underline() || font.overline() || font.strikeOut() || font.capitalization() != QFont::MixedCase)
      return false;
    if (!painter.testRenderHint(QPainter::Antialiasing) && painter.combinedTransform().type() >= QTransform::TxScale)
      return false;
    const QByteArray* tail = tailFor(font, screenDpi_);
    if (!tail || !plainText(text, coverageOf(font))) return false;
    painter.drawLines(&kStateFlush, 1);  // the pending pen, brush or font are recorded first
    const quint32 payload = 16 + 4 + 2 * quint32(text.size()) + quint32(tail->size());
    ++trecs_;
    putU8(buf_, kDrawTextItem);
    if (payload < 255) {
      putU8(buf_, quint8(payload));
    } else {
      putU8(buf_, 255);
      putU32(buf_, payload);
    }
    putF64(buf_, p.x());
    putF64(buf_, p.y());
    putU32(buf_, 2 * quint32(text.size()));
    const qsizetype at = buf_.size();
    buf_.resize(at + 2 * text.size());
    qToBigEndian<quint16>(text.constData(), text.size(), buf_.data() + at);
    buf_.append(*tail);
    return true;
  }

  const QByteArray& data() const { return buf_; }

 private:
  // One command: its code, its length (one byte, or 255 and four bytes) and its data.
  template <class Write>
  void record(quint8 code, Write&& write) {
    scratch_.resize(0);
    scratchDevice_.seek(0);
    write(stream_);
    ++trecs_;
    putU8(buf_, code);
    if (scratch_.size() < 255) {
      putU8(buf_, quint8(scratch_.size()));
    } else {
      putU8(buf_, 255);
      putU32(buf_, quint32(scratch_.size()));
    }
    buf_.append(scratch_);
  }

  QRect bounds_;
  int screenDpi_ = 96;
  QByteArray buf_;
  quint32 trecs_ = 0;
  QByteArray scratch_;
  QBuffer scratchDevice_{&scratch_};
  QDataStream stream_{[this] {
    scratchDevice_.open(QIODevice::WriteOnly);
    return &scratchDevice_;
  }()};
  std::unique_ptr<TRpMetafile> sidePicture_;
  std::unique_ptr<QPainter> side_;
};

}  // namespace rpdetail

TRpPageRecorder::TRpPageRecorder(const QRect& bounds) : shape_(std::make_unique<TRpMetafile>()) {
  // QPicture keeps an empty bounding rectangle of its own; a page always has an extent.
  const QRect r = bounds.isEmpty() ? QRect(bounds.topLeft(), QSize(1, 1)) : bounds;
  shape_->setBoundingRect(r);
  engine_ = std::make_unique<rpdetail::TRpRecordEngine>(r);
}

TRpPageRecorder::~TRpPageRecorder() = default;

QPaintEngine* TRpPageRecorder::paintEngine() const { return engine_.get(); }

int TRpPageRecorder::devType() const { return QInternal::Picture; }

const QByteArray& TRpPageRecorder::data() const { return engine_->data(); }

int TRpPageRecorder::metric(PaintDeviceMetric m) const { return shape_->metricOf(m); }

void rpDrawText(QPainter& painter, const QPoint& p, const QString& text) {
  auto* engine = dynamic_cast<rpdetail::TRpRecordEngine*>(painter.paintEngine());
  if (!engine || !engine->drawPlainText(painter, p, text)) painter.drawText(p, text);
}

}  // namespace cotavia
