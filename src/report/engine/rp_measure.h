#pragma once
// Text measuring of the report engine (internal). Fonts are resolved once per (font, dpi) and
// keep a table of character advances, so measuring a string is a sum of table entries: the same
// widths the canvas uses when it draws the string (kerning and shaping are off).
#include <QFont>
#include <QHash>
#include <QString>

#include "report/pages/rp_types.h"

namespace cotavia::rpdetail {

struct FontEntry {
  TRpFont font;
  int dpi = kRpScreenDpi;
  QFont qfont;
  double adv[256];
  mutable QHash<char16_t, double> other;
  int height = 0;  // ascent + descent, pixels
  int ascent = 0;
};

// The cached entry for a font at a resolution (GUI thread only).
const FontEntry& fontEntry(const TRpFont& font, int dpi = kRpScreenDpi);

// Sum of the advances of s, in pixels (unrounded).
double rawAdvance(const FontEntry& e, const QString& s);
inline double rawAdvance(const FontEntry& e, QChar c) {
  const char16_t u = c.unicode();
  if (u < 256) return e.adv[u];
  return rawAdvance(e, QString(c));
}
// Width as a device reports a text extent: the advances rounded, plus 1.
inline int textWidth(const FontEntry& e, const QString& s) { return int(rpRound(rawAdvance(e, s))) + 1; }

}  // namespace cotavia::rpdetail
