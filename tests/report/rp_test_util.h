#pragma once
// Helpers of the report engine tests: small pictures, report files built byte by byte.
#include <QByteArray>
#include <QDir>
#include <QPainter>
#include <QPicture>
#include <QStringList>
#include <QtEndian>

#include <vector>

#include "report/rp_pagecheck.h"
#include "report/rp_pagestore.h"
#include "report/rp_replay.h"

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
