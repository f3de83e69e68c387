#include "report/rp_replay.h"

#include <QBuffer>
#include <QDataStream>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QtEndian>
#include <cstring>

namespace cotavia::rpdetail {

namespace {

// Command codes of the picture format, and where its commands start.
enum : quint8 {
  kDrawEllipse = 7,
  kDrawPolyline = 12,
  kDrawTextItem = 21,
  kDrawPath = 25,
  kBegin = 30,
  kEnd = 31,
  kSetFont = 45,
  kSetPen = 46,
  kSetBrush = 47,
};
constexpr qsizetype kFirstCommand = 32;  // tag, checksum, version, begin command, rectangle, count

// The resolution QPicture takes as the one its pages were recorded for.
int defaultDpi(bool x) {
  if (QCoreApplication::testAttribute(Qt::AA_Use96Dpi)) return 96;
  if (const QScreen* s = QGuiApplication::primaryScreen())
    return qRound(x ? s->logicalDotsPerInchX() : s->logicalDotsPerInchY());
  return 100;
}

}  // namespace

std::shared_ptr<const QFont> TRpFontTable::get(const QByteArray& recorded, const QFont& font) {
  std::lock_guard<std::mutex> l(lock_);
  auto it = fonts_.constFind(recorded);
  if (it != fonts_.constEnd()) return it.value();
  auto f = std::make_shared<const QFont>(font);
  fonts_.insert(recorded, f);
  return f;
}

bool TRpPageProgram::usableOn(const QPaintDevice& device) {
  return device.logicalDpiX() == defaultDpi(true) && device.logicalDpiY() == defaultDpi(false);
}

std::unique_ptr<TRpPageProgram> TRpPageProgram::read(const QPicture& page, TRpFontTable& fonts) {
  const char* d = page.data();
  const qsizetype n = page.size();
  if (n < kFirstCommand || std::memcmp(d, "QPIC", 4) != 0 || quint8(d[10]) != kBegin) return nullptr;
  const int version = qFromBigEndian<quint16>(d + 6);
  // Texts carry their own font from version 9 on; later versions than this Qt's are unknown.
  if (version < 9 || version > QDataStream::Qt_DefaultCompiledVersion) return nullptr;
  quint32 records = qFromBigEndian<quint32>(d + kFirstCommand - 4);

  QBuffer buf;
  buf.setData(QByteArray::fromRawData(d, n));
  buf.open(QIODevice::ReadOnly);
  QDataStream s(&buf);
  s.setVersion(version);
  auto program = std::make_unique<TRpPageProgram>();
  bool penVisible = true;  // a page starts with the painter's default pen
  qint64 pos = kFirstCommand;
  while (records-- > 0 && pos < n) {
    if (n - pos < 2) return nullptr;
    const quint8 c = quint8(d[pos]);
    qint64 len = quint8(d[pos + 1]);
    pos += 2;
    if (len == 255) {
      if (n - pos < 4) return nullptr;
      len = qFromBigEndian<quint32>(d + pos);
      pos += 4;
    }
    if (len > n - pos) return nullptr;
    const qint64 end = pos + len;
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
        program->ops_.emplace_back(Font{fonts.get(QByteArray(d + pos, buf.pos() - pos), font)});
        break;
      }
      case kDrawPath: {
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
        QPolygonF line;
        s >> line;
        program->ops_.emplace_back(line);
        break;
      }
      case kDrawTextItem: {
        // QPicture lays such a text out in a 1 x 1 rectangle whose top is the baseline less the
        // font's ascent; with a justification width, the rectangle is that wide.
        QPointF p;
        QString text;
        QFont font;
        quint32 renderFlags;
        double dpiScale, justification;
        s >> p >> text;
        const qint64 fontStart = buf.pos();
        s >> font;
        const qint64 fontEnd = buf.pos();
        s >> renderFlags >> dpiScale >> justification;
        // A text recorded for another resolution, or drawn without a pen (which drawText skips
        // but QPicture draws), is left to QPicture.
        if (dpiScale != 1.0 || !penVisible || s.status() != QDataStream::Ok) return nullptr;
        Text t{p, text, fonts.get(QByteArray(d + fontStart, fontEnd - fontStart), font), QSizeF(1, 1),
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
