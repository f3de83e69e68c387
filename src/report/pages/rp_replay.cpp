#include "report/pages/rp_replay.h"

#include "report/pages/rp_pagecheck.h"

#include <QBuffer>
#include <QDataStream>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QtEndian>
#include <climits>
#include <cstring>

namespace cotavia::rpdetail {

namespace {

// Commands read on this thread, by code, format version and bytes (see read()); bounded.
constexpr qsizetype kReadCacheLimit = 20000;
QHash<QByteArray, TRpPageProgram::Op>& readCache() {
  thread_local QHash<QByteArray, TRpPageProgram::Op> cache;
  return cache;
}

}  // namespace

int rpPictureDpi(bool x) {
  if (QCoreApplication::testAttribute(Qt::AA_Use96Dpi)) return 96;
  if (const QScreen* s = QGuiApplication::primaryScreen())
    return qRound(x ? s->logicalDotsPerInchX() : s->logicalDotsPerInchY());
  return 100;
}

std::shared_ptr<const QFont> TRpFontTable::find(const QByteArray& recorded) {
  std::lock_guard<std::mutex> l(lock_);
  return fonts_.value(recorded);
}

std::shared_ptr<const QFont> TRpFontTable::add(const QByteArray& recorded, const QFont& font) {
  std::lock_guard<std::mutex> l(lock_);
  auto it = fonts_.constFind(recorded);
  if (it != fonts_.constEnd()) return it.value();
  auto f = std::make_shared<const QFont>(font);
  fonts_.insert(QByteArray(recorded.constData(), recorded.size()), f);
  return f;
}

bool TRpPageProgram::usableOn(const QPaintDevice& device) {
  return device.logicalDpiX() == rpPictureDpi(true) && device.logicalDpiY() == rpPictureDpi(false);
}

namespace {

// How reading one command of a page ended.
enum class Read { Next, End, LeftToQPicture, Damaged };

// The bounding rectangle of a page; false when its far corner does not fit an int (damage).
bool pageBounds(const char* d, QRect& bounds) {
  const qint64 bx = qFromBigEndian<qint32>(d + 12), by = qFromBigEndian<qint32>(d + 16);
  const qint64 bw = qFromBigEndian<qint32>(d + 20), bh = qFromBigEndian<qint32>(d + 24);
  if (bx + bw - 1 > INT_MAX || by + bh - 1 > INT_MAX || bx + bw - 1 < INT_MIN || by + bh - 1 < INT_MIN) return false;
  bounds = QRect(int(bx), int(by), int(bw), int(bh));
  return true;
}

// Reads the commands of one page, in order, into the operations of its program.
class PageReader {
 public:
  PageReader(const char* d, qsizetype n, int version, TRpFontTable& fonts, std::vector<TRpPageProgram::Op>& ops)
      : d_(d), n_(n), version_(version), fonts_(fonts), ops_(ops) {
    buf_.setData(QByteArray::fromRawData(d, n));
    buf_.open(QIODevice::ReadOnly);
    s_.setDevice(&buf_);
    s_.setVersion(version);
  }

  // Reads the command at `pos` and moves `pos` past it.
  Read command(qint64& pos) {
    PictureCommand command;
    if (!rpPictureCommand(d_, n_, pos, command)) return Read::LeftToQPicture;
    const quint8 c = command.code;
    const qint64 len = command.len;
    pos = command.at;
    if (len > n_ - pos) return Read::Damaged;
    const qint64 end = pos + len;
    // Pens, brushes and shapes recur at the same places on every page of a report: a command
    // read before is taken as it was read.
    const bool cacheable = c == kSetPen || c == kSetBrush || c == kDrawPath || c == kDrawEllipse || c == kDrawPolyline;
    QByteArray key;
    if (cacheable) {
      key.reserve(len + 2);
      key.append(char(c)).append(char(version_)).append(d_ + pos, len);
      if (takeReadBefore(c, key)) {
        pos = end;
        return Read::Next;
      }
    }
    if (c == kSetFont && takeKnownFont(pos, len)) {
      pos = end;
      return Read::Next;
    }
    buf_.seek(pos);
    const Read read = decode(c, pos, len, end);
    if (read != Read::Next) return read;
    // Every command must be read whole, and nothing more.
    if (s_.status() != QDataStream::Ok || buf_.pos() != end) return Read::LeftToQPicture;
    if (cacheable) remember(c, key);
    pos = end;
    return Read::Next;
  }

 private:
  // A pen, brush or shape read before, taken from this thread's cache.
  bool takeReadBefore(quint8 c, const QByteArray& key) {
    const auto hit = readCache().constFind(key);
    if (hit == readCache().constEnd()) return false;
    if (c == kSetPen) penVisible_ = std::get<QPen>(hit.value()).style() != Qt::NoPen;
    if (c == kSetBrush) {
      // A brush of its own, as reading it gives: the painter tells brushes apart by identity
      // (a shared one would not be set again, and Qt's PDF engine would write less).
      const QBrush& b = std::get<QBrush>(hit.value());
      QBrush fresh(b.color(), b.style());
      fresh.setTransform(b.transform());
      ops_.emplace_back(fresh);
    } else {
      ops_.push_back(hit.value());
    }
    return true;
  }

  // A font the document's pages have recorded before, taken from the font table.
  bool takeKnownFont(qint64 pos, qint64 len) {
    auto font = fonts_.find(QByteArray::fromRawData(d_ + pos, len));
    if (!font) return false;
    ops_.emplace_back(TRpPageProgram::Font{std::move(font)});
    return true;
  }

  // Reads a command's data (the buffer stands at `pos`) into an operation.
  Read decode(quint8 c, qint64 pos, qint64 len, qint64 end) {
    switch (c) {
      case kEnd:
        return Read::End;
      case kSetPen: {
        QPen pen;
        s_ >> pen;
        penVisible_ = pen.style() != Qt::NoPen;
        ops_.emplace_back(pen);
        break;
      }
      case kSetBrush: {
        QBrush brush;
        s_ >> brush;
        ops_.emplace_back(brush);
        break;
      }
      case kSetFont: {
        QFont font;
        s_ >> font;
        ops_.emplace_back(TRpPageProgram::Font{fonts_.add(QByteArray::fromRawData(d_ + pos, buf_.pos() - pos), font)});
        break;
      }
      case kDrawPath: {
        // The count of elements, then 20 bytes per element.
        if (len < 4 || qFromBigEndian<qint32>(d_ + pos) < 0 || qFromBigEndian<qint32>(d_ + pos) > (len - 4) / 20)
          return Read::Damaged;
        QPainterPath path;
        s_ >> path;
        ops_.emplace_back(path);
        break;
      }
      case kDrawEllipse: {
        QRectF r;
        s_ >> r;
        ops_.emplace_back(r);
        break;
      }
      case kDrawPolyline: {
        // The count of points, then 16 bytes per point.
        if (len < 4 || qFromBigEndian<quint32>(d_ + pos) > quint64(len - 4) / 16) return Read::Damaged;
        QPolygonF line;
        s_ >> line;
        ops_.emplace_back(line);
        break;
      }
      case kDrawTextItem:
        return decodeText(end);
      default:
        return Read::LeftToQPicture;
    }
    return Read::Next;
  }

  // A text: QPicture lays it out in a 1 x 1 rectangle whose top is the baseline less the font's
  // ascent; with a justification width, the rectangle is that wide. The font's bytes lie between
  // the text and the 20 bytes of flags and two numbers that end the command: a font seen before
  // is not read again.
  Read decodeText(qint64 end) {
    QPointF p;
    QString text;
    quint32 renderFlags;
    double dpiScale, justification;
    s_ >> p >> text;
    const qint64 fontStart = buf_.pos();
    const qint64 fontEnd = end - 20;
    if (fontEnd < fontStart) return Read::LeftToQPicture;
    const QByteArray recorded = QByteArray::fromRawData(d_ + fontStart, fontEnd - fontStart);
    std::shared_ptr<const QFont> font = fonts_.find(recorded);
    if (!font) {
      QFont f;
      s_ >> f;
      if (buf_.pos() != fontEnd) return Read::LeftToQPicture;
      font = fonts_.add(recorded, f);
    }
    buf_.seek(fontEnd);
    s_ >> renderFlags >> dpiScale >> justification;
    // A text recorded for another resolution, or drawn without a pen (which drawText skips
    // but QPicture draws), is left to QPicture.
    if (dpiScale != 1.0 || !penVisible_ || s_.status() != QDataStream::Ok) return Read::LeftToQPicture;
    TRpPageProgram::Text t{p, text, std::move(font), QSizeF(1, 1),
                           Qt::TextSingleLine | Qt::TextDontClip | Qt::TextForceLeftToRight};
    if (justification > 0) {
      t.size.setWidth(justification);
      t.flags |= Qt::TextJustificationForced | Qt::AlignJustify;
    }
    ops_.emplace_back(std::move(t));
    return Read::Next;
  }

  // Keeps a pen, brush or shape just read for the pages to come (not brushes with gradients or
  // textures).
  void remember(quint8 c, const QByteArray& key) {
    if (c == kSetBrush && std::get<QBrush>(ops_.back()).style() > Qt::DiagCrossPattern) return;
    if (readCache().size() >= kReadCacheLimit) readCache().clear();
    readCache().insert(key, ops_.back());
  }

  const char* d_;
  qsizetype n_;
  int version_;
  TRpFontTable& fonts_;
  std::vector<TRpPageProgram::Op>& ops_;
  QBuffer buf_;
  QDataStream s_;
  bool penVisible_ = true;  // a page starts with the painter's default pen
};

}  // namespace

std::unique_ptr<TRpPageProgram> TRpPageProgram::read(const QPicture& page, TRpFontTable& fonts, bool* damaged) {
  if (damaged) *damaged = false;
  const char* d = page.data();
  const qsizetype n = page.size();
  int version = 0;
  if (rpPictureHeader(d, n, &version) != PictureHeader::Sound) return nullptr;  // left to QPicture
  auto program = std::make_unique<TRpPageProgram>();
  Read read = pageBounds(d, program->bounds_) ? Read::Next : Read::Damaged;
  if (read == Read::Next) {
    PageReader reader(d, n, version, fonts, program->ops_);
    quint32 records = qFromBigEndian<quint32>(d + kFirstCommand - 4);
    qint64 pos = kFirstCommand;
    while (read == Read::Next && records-- > 0 && pos < n) read = reader.command(pos);
  }
  if (read == Read::Damaged && damaged) *damaged = true;
  if (read == Read::Damaged || read == Read::LeftToQPicture) return nullptr;
  return program;
}

void TRpPageProgram::play(QPainter& painter) const {
  // As QPainter::drawPicture and QPicture::play set the painter up (the scale is 1: see usableOn).
  painter.save();
  painter.translate(QPointF(0, 0));
  painter.setTransform(painter.transform());
  const QFont* current = nullptr;
  for (const Op& op : ops_) {
    switch (op.index()) {
      case 0:
        painter.setPen(std::get<QPen>(op));
        break;
      case 1:
        painter.setBrush(std::get<QBrush>(op));
        break;
      case 2:
        current = std::get<Font>(op).font.get();
        painter.setFont(*current);
        break;
      case 3:
        painter.drawPath(std::get<QPainterPath>(op));
        break;
      case 4:
        painter.drawPolyline(std::get<QPolygonF>(op));
        break;
      case 5: {
        // The painter keeps the text's font, so the next text in the same font finds it resolved.
        const Text& t = std::get<Text>(op);
        if (current != t.font.get()) {
          current = t.font.get();
          painter.setFont(*current);
        }
        const QPointF topLeft(t.baseline.x(), t.baseline.y() - QFontMetrics(*current).ascent());
        painter.drawText(QRectF(topLeft, t.size), t.flags, t.text);
        break;
      }
      case 6:
        painter.drawEllipse(std::get<QRectF>(op));
        break;
    }
  }
  painter.restore();
}

}  // namespace cotavia::rpdetail
