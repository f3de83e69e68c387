#pragma once
// Helpers of the report engine tests: small pictures, report files built byte by byte.
#include <QByteArray>
#include <QDir>
#include <QPainter>
#include <QStringList>
#include <QtEndian>

#include "report/rp_pagestore.h"

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

// Temporary page files of this process's spills now present.
inline QStringList spillFiles() { return QDir(QDir::tempPath()).entryList({QStringLiteral("RPF*.tmp")}, QDir::Files); }

inline qint32 le32(const QByteArray& b, qint64 at) { return qFromLittleEndian<qint32>(b.constData() + at); }
inline void setLe32(QByteArray& b, qint64 at, qint32 v) { qToLittleEndian<qint32>(v, b.data() + at); }

}  // namespace cotavia::test
