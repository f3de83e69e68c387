#pragma once
// Helpers of the report engine tests: small pictures, report files built byte by byte.
#include <QByteArray>
#include <QConicalGradient>
#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPicture>
#include <QRadialGradient>
#include <QStringList>
#include <QtEndian>

#include <vector>

#include "report/pages/rp_pagecheck.h"
#include "report/pages/rp_pagestore.h"
#include "report/pages/rp_replay.h"

namespace cotavia::test {

// A page picture with one mark that tells pages apart.
inline TRpMetafile markedPage(int n, int w = 816, int h = 1056) {
  TRpMetafile m;
  m.setBoundingRect(QRect(0, 0, w, h));
  QPainter p(&m);
  p.drawLine(0, n, n, n);
  p.end();
  m.setBoundingRect(QRect(0, 0, w, h));
  return m;
}

// Temporary page files (named as a spill would be named) now present in the temporary folder.
inline QStringList spillFiles() { return QDir(QDir::tempPath()).entryList({QStringLiteral("RPF*.tmp")}, QDir::Files); }

inline qint32 le32(const QByteArray& b, qint64 at) { return qFromLittleEndian<qint32>(b.constData() + at); }
inline void setLe32(QByteArray& b, qint64 at, qint32 v) { qToLittleEndian<qint32>(v, b.data() + at); }

inline QByteArray bytes(const QPicture& p) { return QByteArray(p.data(), qsizetype(p.size())); }

// Every painter call a report page may record, and several it does not.
inline void paintEverything(QPainter& p) {
  QPen pen(Qt::blue, 1.5, Qt::DashDotLine, Qt::RoundCap, Qt::BevelJoin);
  pen.setDashPattern({1, 2, 3, 4, 5, 6});
  p.setPen(pen);
  QFont font(QStringLiteral("Liberation Sans"), 11);
  font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"), QStringLiteral("Sans")});
  font.setBold(true);
  font.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
  p.setFont(font);
  p.drawText(QPointF(10, 20), QStringLiteral("Licitação nº 12/2026 — CANETA AZUL"));
  p.drawText(QRectF(0, 30, 200, 40), Qt::AlignRight | Qt::TextWordWrap, QStringLiteral("Proposta\ncomercial"));
  QLinearGradient lin(0, 0, 100, 0);
  lin.setStops({{0, Qt::white}, {0.25, Qt::red}, {0.5, Qt::green}, {0.75, Qt::blue}, {1, Qt::black}});
  p.setBrush(lin);
  p.drawRect(QRectF(5, 5, 50, 20));
  p.setBrush(QRadialGradient(QPointF(50, 50), 20));
  p.drawEllipse(QRectF(30, 30, 40, 40));
  p.setBrush(QConicalGradient(QPointF(50, 50), 45));
  p.drawRoundedRect(QRectF(60, 60, 30, 30), 4, 4);
  p.setBrush(QColor(230, 230, 250));
  p.drawLine(QPointF(0, 100), QPointF(200, 100));
  p.drawPolyline(QPolygonF({QPointF(0, 0), QPointF(5, 9), QPointF(9, 4)}));
  p.drawPolygon(QPolygonF({QPointF(10, 0), QPointF(15, 9), QPointF(19, 4), QPointF(12, 2)}), Qt::WindingFill);
  p.drawPoint(QPointF(3, 3));
  p.drawArc(QRectF(0, 0, 40, 40), 0, 90 * 16);
  p.drawPie(QRectF(0, 0, 40, 40), 90 * 16, 90 * 16);
  QPainterPath path;
  path.addText(QPointF(0, 150), font, QStringLiteral("R$ 1.250,00"));
  p.drawPath(path);
  p.drawPath(QPainterPath());
  p.save();
  p.translate(10, 10);
  p.rotate(15);
  p.setOpacity(0.5);
  p.setCompositionMode(QPainter::CompositionMode_Multiply);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBackground(Qt::yellow);
  p.setBackgroundMode(Qt::OpaqueMode);
  p.setBrushOrigin(QPointF(2, 3));
  p.setClipRegion(QRegion(0, 0, 10, 10) + QRegion(20, 20, 10, 10) + QRegion(40, 40, 5, 5));
  p.drawText(QPointF(0, 0), QStringLiteral("girado"));
  p.setClipPath(path, Qt::IntersectClip);
  p.setClipping(false);
  p.restore();
}

// Sets a picture's checksum again after its bytes were changed.
inline void reseal(QByteArray& b) {
  qToBigEndian<quint16>(rpdetail::rpPictureChecksum(b.constData() + 6, b.size() - 6), b.data() + 4);
}

// The commands of a picture's bytes.
using Command = rpdetail::PictureCommand;
inline std::vector<Command> commands(const QByteArray& b) {
  std::vector<Command> out;
  Command c;
  for (qint64 pos = rpdetail::kFirstCommand; rpdetail::rpPictureCommand(b.constData(), b.size(), pos, c);
       pos = c.at + c.len)
    out.push_back(c);
  return out;
}

// The picture's bytes with `data` written at `offset` into the data of the first command of the
// given code (resealed); unchanged when there is no such command.
inline QByteArray patched(QByteArray b, quint8 code, qsizetype offset, const QByteArray& data) {
  for (const Command& c : commands(b)) {
    if (c.code != code || offset + data.size() > c.len) continue;
    b.replace(c.at + offset, data.size(), data);
    reseal(b);
    return b;
  }
  return b;
}

// A page whose picture passes QPicture's own checks but sets a composition mode that does not
// exist (the painter would index its tables with it).
inline QByteArray damagedPage() {
  QPicture pic;
  {
    QPainter p(&pic);
    p.setCompositionMode(QPainter::CompositionMode_Multiply);
    p.drawLine(0, 0, 50, 50);
  }
  return patched(bytes(pic), rpdetail::kSetCompositionMode, 0, QByteArray("\0\0\0\xC8", 4));
}

// A report file (uncompressed) holding these pictures as its pages.
inline void writeReportFile(const QString& file, const QList<QByteArray>& pages) {
  TRpPageList list;
  list.SetStream(std::make_unique<TRpStream>(100000));
  for (const QByteArray& b : pages) {
    QPicture pic;
    pic.setData(b.constData(), quint32(b.size()));
    list.AddPage(pic);
  }
  list.WriteFileHeader();
  list.SaveToFile(file);
}

}  // namespace cotavia::test
