#include "report/rp_replay.h"

#include "report/rp_pagecheck.h"

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

std::unique_ptr<TRpPageProgram> TRpPageProgram::read(const QPicture& page, TRpFontTable& fonts, bool* damaged) {
  if (damaged) *damaged = false;
  auto refuse = [damaged]() -> std::unique_ptr<TRpPageProgram> {
    if (damaged) *damaged = true;
    return nullptr;
  };
  const char* d = page.data();
  const qsizetype n = page.size();
  int version = 0;
  if (rpPictureHeader(d, n, &version) != PictureHeader::Sound) return nullptr;  // left to QPicture
  quint32 records = qFromBigEndian<quint32>(d + kFirstCommand - 4);
  auto program = std::make_unique<TRpPageProgram>();
  const qint64 bx = qFromBigEndian<qint32>(d + 12), by = qFromBigEndian<qint32>(d + 16);
  const qint64 bw = qFromBigEndian<qint32>(d + 20), bh = qFromBigEndian<qint32>(d + 24);
  // A page has a rectangle whose far corner fits an int; anything else is damage.
  if (bx + bw - 1 > INT_MAX || by + bh - 1 > INT_MAX || bx + bw - 1 < INT_MIN || by + bh - 1 < INT_MIN) return refuse();
  program->bounds_ = QRect(int(bx), int(by), int(bw), int(bh));

  QBuffer buf;
  buf.setData(QByteArray::fromRawData(d, n));
  buf.open(QIODevice::ReadOnly);
  QDataStream s(&buf);
  s.setVersion(version);
  bool penVisible = true;  // a page starts with the painter's default pen
  qint64 pos = kFirstCommand;
  while (records-- > 0 && pos < n) {
    PictureCommand command;
    if (!rpPictureCommand(d, n, pos, command)) return nullptr;
    const quint8 c = command.code;
    const qint64 len = command.len;
    pos = command.at;
    if (len > n - pos) return refuse();
    const qint64 end = pos + len;
    // Pens, brushes and shapes recur at the same places on every page of a report: a command
    // read before is taken as it was read.
    const bool cacheable = c == kSetPen || c == kSetBrush || c == kDrawPath || c == kDrawEllipse || c == kDrawPolyline;
    QByteArray key;
    if (cacheable) {
      key.reserve(len + 2);
      key.append(char(c)).append(char(version)).append(d + pos, len);
      const auto hit = readCache().constFind(key);
      if (hit != readCache().constEnd()) {
        if (c == kSetPen) penVisible = std::get<QPen>(hit.value()).style() != Qt::NoPen;
        if (c == kSetBrush) {
          // A brush of its own, as reading it gives: the painter tells brushes apart by identity
          // (a shared one would not be set again, and Qt's PDF engine would write less).
          const QBrush& b = std::get<QBrush>(hit.value());
          QBrush fresh(b.color(), b.style());
          fresh.setTransform(b.transform());
          program->ops_.emplace_back(fresh);
        } else {
          program->ops_.push_back(hit.value());
        }
        pos = end;
        continue;
      }
    }
    if (c == kSetFont) {
      if (auto font = fonts.find(QByteArray::fromRawData(d + pos, len))) {
        program->ops_.emplace_back(Font{std::move(font)});
        pos = end;
        continue;
      }
    }
    buf.seek(pos);
    switch (c) {
      case kEnd:
        return program;
      case kSetPen: {
        QPen pen;
        s >> pen;
        penVisible = pen.style() != Qt::NoPen;
        program->ops_.emplace_back(pen);
        break;
      }
      case kSetBrush: {
        QBrush brush;
        s >> brush;
        program->ops_.emplace_back(brush);
        break;
      }
      case kSetFont: {
        QFont font;
        s >> font;
        program->ops_.emplace_back(Font{fonts.add(QByteArray::fromRawData(d + pos, buf.pos() - pos), font)});
        break;
      }
      case kDrawPath: {
        // The count of elements, then 20 bytes per element.
        if (len < 4 || qFromBigEndian<qint32>(d + pos) < 0 || qFromBigEndian<qint32>(d + pos) > (len - 4) / 20)
          return refuse();
        QPainterPath path;
        s >> path;
        program->ops_.emplace_back(path);
        break;
      }
      case kDrawEllipse: {
        QRectF r;
        s >> r;
        program->ops_.emplace_back(r);
        break;
      }
      case kDrawPolyline: {
        // The count of points, then 16 bytes per point.
        if (len < 4 || qFromBigEndian<quint32>(d + pos) > quint64(len - 4) / 16) return refuse();
        QPolygonF line;
        s >> line;
        program->ops_.emplace_back(line);
        break;
      }
      case kDrawTextItem: {
        // QPicture lays such a text out in a 1 x 1 rectangle whose top is the baseline less the
        // font's ascent; with a justification width, the rectangle is that wide.
        // The font's bytes lie between the text and the 20 bytes of flags and two numbers that
        // end the command: a font seen before is not read again.
        QPointF p;
        QString text;
        quint32 renderFlags;
        double dpiScale, justification;
        s >> p >> text;
        const qint64 fontStart = buf.pos();
        const qint64 fontEnd = end - 20;
        if (fontEnd < fontStart) return nullptr;
        const QByteArray recorded = QByteArray::fromRawData(d + fontStart, fontEnd - fontStart);
        std::shared_ptr<const QFont> font = fonts.find(recorded);
        if (!font) {
          QFont f;
          s >> f;
          if (buf.pos() != fontEnd) return nullptr;
          font = fonts.add(recorded, f);
        }
        buf.seek(fontEnd);
        s >> renderFlags >> dpiScale >> justification;
        // A text recorded for another resolution, or drawn without a pen (which drawText skips
        // but QPicture draws), is left to QPicture.
        if (dpiScale != 1.0 || !penVisible || s.status() != QDataStream::Ok) return nullptr;
        Text t{p, text, std::move(font), QSizeF(1, 1),
               Qt::TextSingleLine | Qt::TextDontClip | Qt::TextForceLeftToRight};
        if (justification > 0) {
          t.size.setWidth(justification);
          t.flags |= Qt::TextJustificationForced | Qt::AlignJustify;
        }
        program->ops_.emplace_back(std::move(t));
        break;
      }
      default:
        return nullptr;
    }
    // Every command must be read whole, and nothing more.
    if (s.status() != QDataStream::Ok || buf.pos() != end) return nullptr;
    if (cacheable && (c != kSetBrush || std::get<QBrush>(program->ops_.back()).style() <= Qt::DiagCrossPattern)) {
      if (readCache().size() >= kReadCacheLimit) readCache().clear();
      readCache().insert(key, program->ops_.back());
    }
    pos = end;
  }
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
