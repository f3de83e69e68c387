#include "support/printer_head.h"

#include <algorithm>
#include <cctype>

namespace cotavia::test {

namespace {

constexpr char ESC = 27;

struct Head {
  PrinterFamily family = PrinterFamily::Epson;
  double pitch = 10;       // cpi of the chosen font, before condensing and doubling
  bool condensed = false;  // ESC/P: SI
  bool doubled = false;    // ESC/P: SO, ESC W 1
  double x = 0;
  QList<HeadLine> lines;
  HeadLine current;

  double width() const {
    double cpi = pitch;
    if (condensed) cpi = pitch == 12 ? 20 : 120.0 / 7;  // 17.14 cpi from 10
    return (doubled ? 2.0 : 1.0) / cpi;
  }
  void reset() {
    pitch = 10;
    condensed = doubled = false;
  }
  void print(char c) {
    const double w = width();
    current.text.append(c);
    if (c != ' ') current.glyphs.append({x, x + w, c});
    x += w;
    current.end = std::max(current.end, x);
  }
  void endLine() {
    if (!current.text.isEmpty()) lines.append(current);
    const int page = current.page, line = current.line;
    current = HeadLine();
    current.page = page;
    current.line = line + 1;
  }
  void endPage() {
    endLine();
    current.page += 1;
    current.line = 1;
    x = 0;
  }
};

// One PCL escape sequence starting at `i` (the ESC); returns the index after it.
qsizetype pcl(Head& h, const QByteArray& b, qsizetype i) {
  if (i + 1 >= b.size()) return b.size();
  const char group = b[i + 1];
  if (group < '!' || group > '/') {
    if (group == 'E') h.reset();
    return i + 2;
  }
  if (i + 2 >= b.size()) return b.size();
  const char kind = b[i + 2];
  qsizetype j = i + 3;
  for (;;) {
    QByteArray value;
    while (j < b.size() &&
           (std::isdigit(static_cast<unsigned char>(b[j])) || b[j] == '.' || b[j] == '-' || b[j] == '+'))
      value.append(b[j++]);
    if (j >= b.size()) return j;
    const char term = b[j++];
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(term)));
    if (group == '(' && kind == 's' && upper == 'H') h.pitch = value.toDouble();
    if (group == '&' && kind == 'l' && upper == 'H' && value == "0") h.endPage();
    if (term >= 'A' && term <= 'Z') return j;
    if (term == '@') return j;
  }
}

// One ESC/P sequence starting at `i` (the ESC); returns the index after it.
qsizetype escp(Head& h, const QByteArray& b, qsizetype i) {
  if (i + 1 >= b.size()) return b.size();
  const char c = b[i + 1];
  switch (c) {
    case 'P':
      h.pitch = 10;
      return i + 2;
    case 'M':
      h.pitch = 12;
      return i + 2;
    case 'g':
      h.pitch = 15;
      return i + 2;
    case 15:  // ESC SI
      h.condensed = true;
      return i + 2;
    case 14:  // ESC SO
      h.doubled = true;
      return i + 2;
    case '@':
      h.reset();
      return i + 2;
    case 'W':
      if (i + 2 < b.size()) h.doubled = b[i + 2] == 1 || b[i + 2] == '1';
      return i + 3;
    case 'C':  // page length in lines, or ESC C 0 n in inches
      if (i + 2 < b.size() && b[i + 2] == 0) return i + 4;
      return i + 3;
    case '-':
    case '3':
    case 'A':
    case 'J':
      return i + 3;
    default:  // E F 4 5 G H 0 2 and the like: no argument
      return i + 2;
  }
}

}  // namespace

bool HeadLine::overprinted() const {
  QList<Glyph> g = glyphs;
  std::sort(g.begin(), g.end(), [](const Glyph& a, const Glyph& b) { return a.from < b.from; });
  for (qsizetype k = 1; k < g.size(); ++k)
    if (g[k].from < g[k - 1].to - 1e-9) return true;
  return false;
}

QList<HeadLine> followHead(const QByteArray& b, PrinterFamily family) {
  Head h;
  h.family = family;
  for (qsizetype i = 0; i < b.size();) {
    const char c = b[i];
    const auto u = static_cast<unsigned char>(c);
    if (c == ESC) {
      i = family == PrinterFamily::Hp ? pcl(h, b, i) : escp(h, b, i);
      continue;
    }
    ++i;
    if (family == PrinterFamily::Rima && u == 30 && i < b.size()) {
      // Rima pitch codes: RS 0 (10 cpi), RS 2 (12), RS 4 (17.14), RS 5 (20).
      const char n = b[i++];
      h.condensed = n == '4' || n == '5';
      h.pitch = n == '2' || n == '5' ? 12 : 10;
      continue;
    }
    switch (u) {
      case 8:
        h.x = std::max(0.0, h.x - h.width());
        break;
      case 10:
        h.endLine();
        break;
      case 12:
        h.endPage();
        break;
      case 13:
        h.x = 0;
        break;
      case 14:
        if (family != PrinterFamily::Hp) h.doubled = true;
        break;
      case 15:
        if (family != PrinterFamily::Hp) h.condensed = true;
        break;
      case 18:
        h.condensed = false;
        break;
      case 20:
        h.doubled = false;
        break;
      default:
        if (u >= 32) h.print(c);
        break;
    }
  }
  h.endLine();
  return h.lines;
}

}  // namespace cotavia::test
