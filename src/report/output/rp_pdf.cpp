#include "report/output/rp_pdf.h"

#include "platform/codepage.h"
#include "report/pages/rp_replay.h"

#include <hb-subset.h>
#include <libdeflate.h>
#include <QDateTime>
#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QRawFont>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <new>

namespace cotavia::rpdetail {

namespace {

// ---------------------------------------------------------------------------------------------
// Reading font tables (big-endian fields, every read bounded by the table)

struct Table {
  QByteArray bytes;
  bool has(qsizetype at, qsizetype n) const { return at >= 0 && n >= 0 && at + n <= bytes.size(); }
  quint16 u16(qsizetype at) const { return has(at, 2) ? qFromBigEndian<quint16>(bytes.constData() + at) : 0; }
  qint16 s16(qsizetype at) const { return qint16(u16(at)); }
  quint32 u32(qsizetype at) const { return has(at, 4) ? qFromBigEndian<quint32>(bytes.constData() + at) : 0; }
};

// The character-to-glyph table of the Basic Multilingual Plane, from a Windows Unicode subtable
// (format 12 preferred, else format 4); false when the font has neither.
bool readCmap(const Table& t, std::vector<quint16>& cmap) {
  cmap.assign(0x10000, 0);
  const int count = t.u16(2);
  qsizetype fmt4 = -1, fmt12 = -1;
  for (int i = 0; i < count; ++i) {
    const qsizetype rec = 4 + 8 * i;
    const quint16 platform = t.u16(rec), encoding = t.u16(rec + 2);
    const qsizetype at = t.u32(rec + 4);
    if (!t.has(at, 8)) continue;
    const bool unicode = platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10));
    if (!unicode) continue;
    if (t.u16(at) == 12) fmt12 = at;
    if (t.u16(at) == 4 && fmt4 < 0) fmt4 = at;
  }
  if (fmt12 >= 0) {
    const quint32 groups = t.u32(fmt12 + 12);
    if (!t.has(fmt12 + 16, qsizetype(groups) * 12)) return false;
    for (quint32 g = 0; g < groups; ++g) {
      const qsizetype at = fmt12 + 16 + 12 * qsizetype(g);
      const quint32 first = t.u32(at), last = std::min<quint32>(t.u32(at + 4), 0xFFFF), glyph = t.u32(at + 8);
      for (quint32 c = first; c <= last; ++c) cmap[c] = quint16(glyph + (c - first));
    }
    return true;
  }
  if (fmt4 < 0) return false;
  const int segs = t.u16(fmt4 + 6) / 2;
  const qsizetype ends = fmt4 + 14, starts = ends + 2 * segs + 2, deltas = starts + 2 * segs,
                  ranges = deltas + 2 * segs;
  if (!t.has(ends, 8 * qsizetype(segs) + 2)) return false;
  for (int s = 0; s < segs; ++s) {
    const quint32 last = t.u16(ends + 2 * s), first = t.u16(starts + 2 * s);
    const quint16 delta = t.u16(deltas + 2 * s), range = t.u16(ranges + 2 * s);
    for (quint32 c = first; c <= last && c < 0xFFFF; ++c) {
      quint16 g;
      if (range == 0) {
        g = quint16(c + delta);
      } else {
        g = t.u16(ranges + 2 * s + range + 2 * qsizetype(c - first));
        if (g) g = quint16(g + delta);
      }
      cmap[c] = g;
    }
  }
  return true;
}

constexpr hb_tag_t tag(const char* t) { return HB_TAG(t[0], t[1], t[2], t[3]); }

// ---------------------------------------------------------------------------------------------
// Numbers in content streams

// Positions and sizes in content are written in thousandths (of a page pixel, of a point).
long long milli(double v) { return std::llround(v * 1000.0); }

// A number of thousandths, without trailing zeros ("12", "-0.5", "64.953").
template <class Buffer>
void numMilli(Buffer& o, long long m) {
  char buf[32];
  char* p = buf;
  if (m < 0) {
    *p++ = '-';
    m = -m;
  }
  p = std::to_chars(p, buf + sizeof buf, m / 1000).ptr;
  if (int f = int(m % 1000)) {
    *p++ = '.';
    *p++ = char('0' + f / 100);
    if ((f %= 100)) {
      *p++ = char('0' + f / 10);
      if ((f %= 10)) *p++ = char('0' + f);
    }
  }
  o.append(buf, p - buf);
}

// A number with at most three decimals.
template <class Buffer>
void num(Buffer& o, double v) {
  numMilli(o, milli(v));
}

template <class Buffer>
void num(Buffer& o, double v, char after) {
  num(o, v);
  o += after;
}

// Writes a colour for fills ("rg", "g") or strokes ("RG", "G").
void color(std::string& o, QRgb c, bool stroke) {
  const int r = qRed(c), g = qGreen(c), b = qBlue(c);
  if (r == g && g == b) {
    num(o, r / 255.0, ' ');
    o += stroke ? "G\n" : "g\n";
  } else {
    num(o, r / 255.0, ' ');
    num(o, g / 255.0, ' ');
    num(o, b / 255.0, ' ');
    o += stroke ? "RG\n" : "rg\n";
  }
}

constexpr QRgb kWhite = 0xFFFFFFFF;

// A colour the writer can set: opaque, in any spec Qt converts to RGB as its engine does.
bool opaque(const QColor& c, QRgb* rgb) {
  if (c.alpha() != 255) return false;
  *rgb = c.rgb();
  return true;
}

// ---------------------------------------------------------------------------------------------
// Content of one page

class Content {
 public:
  Content(TRpPdfFonts& fonts, std::string& out) : fonts_(fonts), o_(out) {}

  bool pen(const QPen& p) {
    if (p.style() == Qt::NoPen) {
      penOn_ = false;
      return true;
    }
    if (p.style() != Qt::SolidLine || p.brush().style() != Qt::SolidPattern) return false;
    if (!opaque(p.brush().color(), &pen_.color)) return false;
    penOn_ = true;
    pen_.width = p.widthF();
    pen_.cap = p.capStyle() == Qt::FlatCap ? 0 : p.capStyle() == Qt::RoundCap ? 1 : 2;
    pen_.join = p.joinStyle() == Qt::RoundJoin ? 1 : p.joinStyle() == Qt::BevelJoin ? 2 : 0;
    pen_.miter = p.miterLimit();
    return true;
  }

  bool brush(const QBrush& b) {
    if (b.style() == Qt::NoBrush) {
      brushOn_ = false;
      return true;
    }
    if (b.style() != Qt::SolidPattern || !opaque(b.color(), &brush_)) return false;
    brushOn_ = true;
    return true;
  }

  bool path(const QPainterPath& p) {
    if (!penOn_ && !brushOn_) return true;
    const QRectF box = reach(p.controlPointRect());
    const bool whiteFill = !penOn_ && brush_ == kWhite;
    if (whiteFill && !inked(box)) return true;  // white on paper nothing has touched yet
    endText();
    const int n = p.elementCount();
    int start = 0;
    while (start < n) {
      int end = start + 1;
      while (end < n && !p.elementAt(end).isMoveTo()) ++end;
      subpath(p, start, end);
      start = end;
    }
    if (!whiteFill) ink(box);
    return paint(true, p.fillRule() == Qt::OddEvenFill);
  }

  bool polyline(const QPolygonF& line) {
    if (!penOn_ || line.isEmpty()) return true;
    endText();
    ink(reach(line.boundingRect()));
    num(o_, line[0].x(), ' ');
    num(o_, line[0].y(), ' ');
    o_ += "m\n";
    for (qsizetype i = 1; i < line.size(); ++i) {
      num(o_, line[i].x(), ' ');
      num(o_, line[i].y(), ' ');
      o_ += "l\n";
    }
    return paint(false, false);
  }

  bool ellipse(const QRectF& r) {
    QPainterPath p;
    p.addEllipse(r);
    return path(p);
  }

  bool text(const TRpPageProgram::Text& t) {
    if (!penOn_) return true;  // the program keeps no such text; nothing would show
    const TRpPdfFontUse* f = fontUse(t.font.get());
    if (!f->face) return false;
    const TRpPdfFace& face = *f->face;
    const QChar* s = t.text.constData();
    qsizetype from = 0, to = t.text.size();
    // Blanks before and after the text draw nothing: it starts after the leading ones.
    while (from < to && s[from] == u' ') ++from;
    while (to > from && s[to - 1] == u' ') --to;
    const quint16 blank = face.glyph(u' ');
    if ((from > 0 || to < t.text.size()) && !blank) return false;  // Qt takes the blank from another font
    // The text as runs of one font: Windows-1252 bytes of the one-byte font, or glyph numbers
    // (two bytes each) of the CID font for characters outside Windows-1252.
    bytes_.clear();
    runs_.clear();
    double advance = 0;  // thousandths of the size
    for (qsizetype i = from; i < to; ++i) {
      const char16_t c = s[i].unicode();
      // Control characters and surrogates take Qt's own handling; a missing glyph takes a fallback
      // font.
      if (c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0xD800 && c < 0xE000)) return false;
      const quint16 g = face.glyph(c);
      if (!g) return false;
      // WinAnsi reads the bytes of the no-break space and the soft hyphen as a plain space and
      // hyphen: those two go through their own glyphs.
      const int code = c == 0xA0 || c == 0xAD ? -1 : cp1252Byte(c);
      const bool wide = code < 0;
      if (runs_.empty() || runs_.back().wide != wide) runs_.push_back({wide, 0});
      if (wide) {
        face.use(g, c);
        bytes_ += char(g >> 8);
        bytes_ += char(g & 0xFF);
      } else {
        face.useCode(quint8(code));
        bytes_ += char(code);
      }
      runs_.back().end = bytes_.size();
      advance += face.width(g);
    }
    if (runs_.empty()) return true;
    const double x = t.baseline.x() + from * face.width(blank) * f->size / 1000, y = t.baseline.y() + f->baselineShift;
    ink(QRectF(QPointF(x + face.box(0) * f->size / 1000 - 2, y - face.box(3) * f->size / 1000 - 2),
               QPointF(x + (advance + std::max(0.0, face.box(2))) * f->size / 1000 + 2,
                       y - face.box(1) * f->size / 1000 + 2)));
    if (fill_ != pen_.color) {
      fill_ = pen_.color;
      color(o_, fill_, false);
    }
    // One text object for the texts that follow one another; each placed from the one before.
    const long long mx = milli(x), my = milli(y);
    if (!inText_) {
      o_ += "BT\n1 0 0 -1 ";
      numMilli(o_, mx);
      o_ += ' ';
      numMilli(o_, my);
      o_ += " Tm";
      inText_ = true;
    } else {
      numMilli(o_, mx - textX_);
      o_ += ' ';
      numMilli(o_, textY_ - my);  // text space has y upwards
      o_ += " Td";
    }
    textX_ = mx;
    textY_ = my;
    size_t start = 0;
    for (const Run& run : runs_) {
      const QByteArray* font = run.wide ? &face.wideResource : &face.resource;
      if (font != font_ || f->size != fontSize_) {
        font_ = font;
        fontSize_ = f->size;
        o_ += '/';
        o_.append(font->constData(), size_t(font->size()));
        o_ += ' ';
        num(o_, f->size);
        o_ += " Tf";
      }
      // A literal string (shorter than hexadecimal).
      o_ += '(';
      for (size_t i = start; i < run.end; ++i) {
        const char b = bytes_[i];
        if (b == '(' || b == ')' || b == '\\')
          o_ += '\\', o_ += b;
        else if (b == '\r')
          o_ += "\\r";
        else
          o_ += b;
      }
      o_ += ")Tj";
      start = run.end;
    }
    o_ += '\n';
    return true;
  }

  // Closes the text object the last texts were drawn in.
  void endText() {
    if (inText_) o_ += "ET\n";
    inText_ = false;
  }

 private:
  struct Pen {
    QRgb color = 0xFF000000;
    double width = 1, miter = 2;
    int cap = 2, join = 2;  // the painter's default pen: square caps, bevel joins
  };

  // One subpath, elements [from, to): a rectangle drawn as one ("re" goes round in the same
  // order), anything else element by element, closed when it ends where it began.
  void subpath(const QPainterPath& p, int from, int to) {
    const QPainterPath::Element a = p.elementAt(from);
    if (to - from == 5) {
      const QPainterPath::Element b = p.elementAt(from + 1), c = p.elementAt(from + 2), d = p.elementAt(from + 3),
                                  e = p.elementAt(from + 4);
      if (b.isLineTo() && c.isLineTo() && d.isLineTo() && e.isLineTo() && b.y == a.y && c.x == b.x && d.y == c.y &&
          d.x == a.x && e.x == a.x && e.y == a.y) {
        num(o_, a.x, ' ');
        num(o_, a.y, ' ');
        num(o_, b.x - a.x, ' ');
        num(o_, c.y - a.y, ' ');
        o_ += "re\n";
        return;
      }
    }
    num(o_, a.x, ' ');
    num(o_, a.y, ' ');
    o_ += "m\n";
    QPointF last(a.x, a.y);
    for (int i = from + 1; i < to; ++i) {
      const QPainterPath::Element e = p.elementAt(i);
      if (e.isCurveTo() && i + 2 < to) {
        const QPainterPath::Element c2 = p.elementAt(i + 1), c3 = p.elementAt(i + 2);
        for (const auto& q : {e, c2, c3}) {
          num(o_, q.x, ' ');
          num(o_, q.y, ' ');
        }
        o_ += "c\n";
        last = QPointF(c3.x, c3.y);
        i += 2;
      } else {
        num(o_, e.x, ' ');
        num(o_, e.y, ' ');
        o_ += "l\n";
        last = QPointF(e.x, e.y);
      }
    }
    if (to - from > 1 && last == QPointF(a.x, a.y)) o_ += "h\n";
  }

  // A box that holds what drawing a shape of the given bounds with the pen marks.
  QRectF reach(const QRectF& r) const {
    const double m = 2 + (penOn_ ? pen_.width * std::max(1.0, pen_.miter) : 0);
    return r.adjusted(-m, -m, m, m);
  }

  // Bands of the page, kBand pixels high, each with the marks that reach into it.
  static constexpr double kBand = 32;
  static int band(double y) {
    const double b = y / kBand;
    return b > 0 ? (b < 4096 ? int(b) : 4096) : 0;  // marks far below the page share the last one
  }
  std::pair<int, int> bands(const QRectF& r) const { return {band(r.top()), band(r.bottom())}; }

  void ink(const QRectF& r) {
    const auto [first, last] = bands(r);
    if (ink_.size() <= size_t(last)) ink_.resize(size_t(last) + 1);
    for (int b = first; b <= last; ++b) ink_[b].push_back(r);
  }

  bool inked(const QRectF& r) const {
    const auto [first, last] = bands(r);
    for (int b = first; b <= last && size_t(b) < ink_.size(); ++b)
      for (const QRectF& i : ink_[b])
        if (i.intersects(r)) return true;
    return false;
  }

  // Fills and/or strokes the path just written.
  bool paint(bool fillable, bool evenOdd) {
    const bool fill = fillable && brushOn_;
    if (fill && fill_ != brush_) {
      fill_ = brush_;
      color(o_, fill_, false);
    }
    if (penOn_) strokeState();
    if (fill && penOn_)
      o_ += evenOdd ? "B*\n" : "B\n";
    else if (fill)
      o_ += evenOdd ? "f*\n" : "f\n";
    else
      o_ += "S\n";
    return true;
  }

  void strokeState() {
    if (stroke_.color != pen_.color) color(o_, pen_.color, true);
    if (stroke_.width != pen_.width) num(o_, pen_.width, ' '), o_ += "w\n";
    if (stroke_.cap != pen_.cap) o_ += char('0' + pen_.cap), o_ += " J\n";
    if (stroke_.join != pen_.join) o_ += char('0' + pen_.join), o_ += " j\n";
    if (pen_.join == 0 && stroke_.miter != pen_.miter) num(o_, pen_.miter, ' '), o_ += "M\n";
    stroke_ = pen_;
  }

  const TRpPdfFontUse* fontUse(const QFont* f) {
    for (const auto& [font, use] : uses_)
      if (font == f) return &use;
    uses_.emplace_back(f, fonts_.use(*f));
    return &uses_.back().second;
  }

  TRpPdfFonts& fonts_;
  std::string& o_;
  Pen pen_;
  bool penOn_ = true, brushOn_ = false;
  QRgb brush_ = 0xFF000000;
  // What the content stream has set: PDF's initial state (black, width 1, butt caps, miter joins
  // with limit 10).
  QRgb fill_ = 0xFF000000;
  Pen stroke_{0xFF000000, 1, 10, 0, 0};
  const QByteArray* font_ = nullptr;  // resource name
  double fontSize_ = 0;
  bool inText_ = false;
  long long textX_ = 0, textY_ = 0;  // where the last text began, thousandths of a pixel
  std::vector<std::pair<const QFont*, TRpPdfFontUse>> uses_;
  struct Run {
    bool wide;
    size_t end;  // in bytes_
  };
  std::vector<Run> runs_;
  std::string bytes_;
  // Where the page has been drawn on (boxes a little larger than the marks): a white fill
  // anywhere else would only paint white on white.
  std::vector<std::vector<QRectF>> ink_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Fonts

void TRpPdfFace::use(quint16 glyph, char16_t c) const {
  if (glyph >= numGlyphs_) return;
  std::atomic<char16_t>& slot = used_[glyph];
  if (slot.load(std::memory_order_relaxed) == 0) {
    char16_t none = 0;
    slot.compare_exchange_strong(none, c, std::memory_order_relaxed);
  }
}

TRpPdfFonts::TRpPdfFonts() = default;
TRpPdfFonts::~TRpPdfFonts() = default;

TRpPdfFontUse TRpPdfFonts::use(const QFont& font) {
  const QByteArray key =
      font.key().toUtf8() + '/' + QByteArray::number(font.pixelSize()) + '/' + QByteArray::number(font.pointSizeF());
  std::lock_guard<std::mutex> l(lock_);
  auto it = byFont_.constFind(key);
  if (it != byFont_.constEnd()) return it.value();
  TRpPdfFontUse use;
  // Decorations, spacing and capitals are drawn by Qt's layout, not by the font.
  const bool plain = !font.underline() && !font.overline() && !font.strikeOut() &&
                     font.capitalization() == QFont::MixedCase && font.letterSpacing() == 0 &&
                     font.wordSpacing() == 0 &&
                     (font.stretch() == QFont::AnyStretch || font.stretch() == QFont::Unstretched);
  if (plain) {
    if (std::unique_ptr<TRpPdfFace> loaded = load(font)) {
      std::shared_ptr<TRpPdfFace>& face = faces_[loaded->name];
      if (!face) {
        // Short resource names: the capitals and digits of the name ("LSB" for
        // LiberationSans-Bold), numbered when two faces would share one.
        QByteArray r;
        for (const char ch : loaded->name)
          if ((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) r += ch;
        if (r.isEmpty() || (r[0] >= '0' && r[0] <= '9')) r.prepend('F');
        const QByteArray base = r;
        for (int n = 2; resources_.contains(r); ++n) r = base + QByteArray::number(n);
        resources_.insert(r);
        loaded->resource = r;
        loaded->wideResource = r + 'w';
        face = std::move(loaded);
      }
      use.face = face.get();
      const QFontMetricsF fm(font);
      use.size = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * 96.0 / 72.0;
      use.baselineShift = fm.ascent() - QFontMetrics(font).ascent();
    }
  }
  byFont_.insert(key, use);
  return use;
}

std::unique_ptr<TRpPdfFace> TRpPdfFonts::load(const QFont& font) {
  const QRawFont raw = QRawFont::fromFont(font);
  if (!raw.isValid()) return nullptr;
  static const char* const kTags[] = {"head", "hhea", "maxp", "hmtx", "loca", "glyf", "cmap",
                                      "OS/2", "post", "name", "cvt ", "fpgm", "prep"};
  QHash<QByteArray, Table> t;
  for (const char* name : kTags) t[name].bytes = raw.fontTable(name);
  for (const char* needed : {"head", "hhea", "maxp", "hmtx", "loca", "glyf", "cmap"})
    if (t[needed].bytes.isEmpty()) return nullptr;  // not a TrueType font
  auto face = std::make_unique<TRpPdfFace>();
  const Table &head = t["head"], &hhea = t["hhea"], &os2 = t["OS/2"], &post = t["post"];
  face->unitsPerEm_ = head.u16(18) ? head.u16(18) : 1000;
  for (int i = 0; i < 4; ++i) face->bbox_[i] = head.s16(36 + 2 * i);
  face->ascent_ = hhea.s16(4);
  face->descent_ = hhea.s16(6);
  face->capHeight_ = os2.u16(0) >= 2 ? os2.s16(88) : face->ascent_;
  face->italicAngle_ = qint32(post.u32(4)) / 65536.0;
  face->numGlyphs_ = t["maxp"].u16(4);
  // Qt makes up a bold or italic face that the font file does not have: leave those to Qt.
  const bool bold = os2.bytes.isEmpty() ? (head.u16(44) & 1) : os2.u16(4) >= 600;
  face->italic_ = (os2.u16(62) & 1) || (head.u16(44) & 2) || face->italicAngle_ != 0;
  if ((font.weight() >= QFont::DemiBold && !bold) || (font.style() != QFont::StyleNormal && !face->italic_))
    return nullptr;
  if (!readCmap(t["cmap"], face->cmap_) || face->numGlyphs_ == 0) return nullptr;
  const Table& hmtx = t["hmtx"];
  const int metrics = std::max(1, int(hhea.u16(34)));
  face->widths_.resize(face->numGlyphs_);
  for (int g = 0; g < face->numGlyphs_; ++g)
    face->widths_[g] = double(std::llround(hmtx.u16(4 * std::min(g, metrics - 1)) * 1e6 / face->unitsPerEm_)) / 1000;
  face->used_.reset(new std::atomic<char16_t>[face->numGlyphs_]());
  for (int g = 0; g < face->numGlyphs_; ++g) face->used_[g].store(0, std::memory_order_relaxed);

  QByteArray name;
  const QString style = raw.styleName();
  const QString full =
      raw.familyName() + (style.isEmpty() || style == QLatin1String("Regular") ? QString() : "-" + style);
  for (QChar c : full)
    if (c.unicode() < 128 && (c.isLetterOrNumber() || c == u'-')) name += char(c.unicode());
  if (name.isEmpty()) name = "Font";
  face->name = name;

  // The font file, rebuilt from its tables.
  hb_face_t* builder = hb_face_builder_create();
  for (const char* n : kTags) {
    const QByteArray& b = t[n].bytes;
    if (b.isEmpty()) continue;
    hb_blob_t* blob = hb_blob_create(b.constData(), uint(b.size()), HB_MEMORY_MODE_DUPLICATE, nullptr, nullptr);
    hb_face_builder_add_table(builder, tag(n), blob);
    hb_blob_destroy(blob);
  }
  hb_blob_t* file = hb_face_reference_blob(builder);
  unsigned len = 0;
  const char* data = hb_blob_get_data(file, &len);
  face->file_ = QByteArray(data, len);
  hb_blob_destroy(file);
  hb_face_destroy(builder);
  return face;
}

namespace {

// The characters the one-byte font of a face shows, by Windows-1252 byte; 0 where unused.
std::array<char16_t, 256> shownCodes(const std::atomic<bool>* codes) {
  std::array<char16_t, 256> out{};
  for (int b = 0; b < 256; ++b)
    if (codes[b].load(std::memory_order_relaxed)) out[b] = fromCp1252(QByteArray(1, char(b))).at(0).unicode();
  return out;
}

}  // namespace

std::vector<const TRpPdfFace*> TRpPdfFonts::usedFaces() const {
  std::lock_guard<std::mutex> l(lock_);
  std::vector<const TRpPdfFace*> out;
  for (const auto& f : faces_) {
    bool used = false;
    for (int b = 0; b < 256 && !used; ++b) used = f->codes_[b].load(std::memory_order_relaxed);
    for (int g = 0; g < f->numGlyphs_ && !used; ++g) used = f->used_[g].load(std::memory_order_relaxed);
    if (used) out.push_back(f.get());
  }
  std::sort(out.begin(), out.end(), [](const TRpPdfFace* a, const TRpPdfFace* b) { return a->name < b->name; });
  return out;
}

QByteArray TRpPdfFonts::subset(const TRpPdfFace& face, const std::array<char16_t, 256>& shown, bool keepGlyphNumbers) {
  hb_blob_t* blob =
      hb_blob_create(face.file_.constData(), uint(face.file_.size()), HB_MEMORY_MODE_READONLY, nullptr, nullptr);
  hb_face_t* source = hb_face_create(blob, 0);
  hb_blob_destroy(blob);
  QByteArray out;
  if (hb_subset_input_t* input = hb_subset_input_create_or_fail()) {
    // The one-byte font finds its glyphs through the characters (WinAnsi names to Unicode, then the
    // font's Unicode map); the CID font through the glyph numbers.
    hb_set_t* unicodes = hb_subset_input_unicode_set(input);
    for (const char16_t c : shown)
      if (c) hb_set_add(unicodes, c);
    hb_set_t* glyphs = hb_subset_input_glyph_set(input);
    hb_set_add(glyphs, 0);
    for (int g = 0; g < face.numGlyphs_; ++g)
      if (face.used_[g].load(std::memory_order_relaxed)) hb_set_add(glyphs, hb_codepoint_t(g));
    // Only the outlines, their metrics and the Unicode map are needed.
    hb_set_t* drop = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (const char* n : {"GSUB", "GPOS", "GDEF", "kern", "name", "post", "OS/2", "gasp", "hdmx", "LTSH", "VDMX"})
      hb_set_add(drop, tag(n));
    hb_subset_input_set_flags(
        input, HB_SUBSET_FLAGS_NO_HINTING | (keepGlyphNumbers ? HB_SUBSET_FLAGS_RETAIN_GIDS : HB_SUBSET_FLAGS_DEFAULT));
    if (hb_face_t* result = hb_subset_or_fail(source, input)) {
      hb_blob_t* file = hb_face_reference_blob(result);
      unsigned len = 0;
      const char* data = hb_blob_get_data(file, &len);
      out = QByteArray(data, len);
      hb_blob_destroy(file);
      hb_face_destroy(result);
    }
    hb_subset_input_destroy(input);
  }
  hb_face_destroy(source);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Pages

bool rpPdfContent(const TRpPageProgram& program, TRpPdfFonts& fonts, std::string& out) {
  out.clear();
  out.reserve(48 * 1024);
  // Page pixels (96 per inch, y downwards) to points (y upwards).
  out += "0.75 0 0 -0.75 0 ";
  num(out, program.bounds().height() * 0.75, ' ');
  out += "cm\n";
  Content c(fonts, out);
  for (const TRpPageProgram::Op& op : program.ops()) {
    bool ok = true;
    switch (op.index()) {
      case 0:
        ok = c.pen(std::get<QPen>(op));
        break;
      case 1:
        ok = c.brush(std::get<QBrush>(op));
        break;
      case 2:
        break;  // a font is given with every text
      case 3:
        ok = c.path(std::get<QPainterPath>(op));
        break;
      case 4:
        ok = c.polyline(std::get<QPolygonF>(op));
        break;
      case 5:
        ok = c.text(std::get<TRpPageProgram::Text>(op));
        break;
      case 6:
        ok = c.ellipse(std::get<QRectF>(op));
        break;
    }
    if (!ok) return false;
  }
  c.endText();
  return true;
}

QByteArray rpPdfDeflate(const char* data, size_t size) {
  // libdeflate: the same format as zlib's, a little smaller and in half the time. A compressor
  // per thread, level 6 as zlib's default.
  struct Compressor {
    libdeflate_compressor* c = libdeflate_alloc_compressor(6);
    ~Compressor() { libdeflate_free_compressor(c); }
  };
  thread_local Compressor z;
  if (!z.c) throw std::bad_alloc();  // never an empty stream in place of a page
  QByteArray out(qsizetype(libdeflate_zlib_compress_bound(z.c, size)), Qt::Uninitialized);
  const size_t len = libdeflate_zlib_compress(z.c, data, size, out.data(), size_t(out.size()));
  out.truncate(qsizetype(len));
  return out;
}

// ---------------------------------------------------------------------------------------------
// The document

TRpPdfWriter::TRpPdfWriter(QIODevice& out, const QString& title, const QString& author) : out_(out) {
  offsets_.resize(kInfo + 1, 0);
  write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  offsets_[kInfo] = offset_;
  QByteArray info = "4 0 obj\n<< /Creator (Cotavia) /Producer (Cotavia) /CreationDate (D:" +
                    QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + ")";
  // Texts as UTF-16 with its byte order mark, in hexadecimal: any character, nothing to escape.
  for (const auto& [key, text] : {std::pair{" /Title <FEFF", &title}, std::pair{" /Author <FEFF", &author}}) {
    if (text->isEmpty()) continue;
    info += key;
    for (QChar c : *text) info += QByteArray::number(c.unicode() | 0x10000, 16).mid(1).toUpper();
    info += '>';
  }
  write(info + " >>\nendobj\n");
}

int TRpPdfWriter::newObject() {
  offsets_.push_back(offset_);
  return int(offsets_.size() - 1);
}

void TRpPdfWriter::write(const QByteArray& b) {
  out_.write(b);
  offset_ += b.size();
}

void TRpPdfWriter::writeStream(int object, const QByteArray& dict, const QByteArray& compressed) {
  write(QByteArray::number(object) + " 0 obj\n<< /Length " + QByteArray::number(compressed.size()) +
        " /Filter /FlateDecode" + dict + " >>\nstream\n");
  write(compressed);
  write("\nendstream\nendobj\n");
}

void TRpPdfWriter::addPage(const QSizeF& pixels, const QByteArray& compressedContent) {
  const int content = newObject();
  writeStream(content, QByteArray(), compressedContent);
  const int page = newObject();
  QByteArray d = QByteArray::number(page) + " 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 ";
  num(d, pixels.width() * 0.75, ' ');
  num(d, pixels.height() * 0.75, ']');
  d += " /Resources 3 0 R /Contents " + QByteArray::number(content) + " 0 R >>\nendobj\n";
  write(d);
  pages_.push_back(page);
}

void TRpPdfWriter::finish(TRpPdfFonts& fonts) {
  QByteArray resources = "<< /Font <<";
  auto hex = [](unsigned v, int digits) { return QByteArray::number(v | (1u << (4 * digits)), 16).mid(1).toUpper(); };
  // A ToUnicode map: the characters the codes show, so text can be selected and searched.
  auto toUnicode = [&](int digits, const std::vector<std::pair<unsigned, char16_t>>& codes) {
    QByteArray cmap =
        "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n/CIDSystemInfo << /Registry (Adobe) "
        "/Ordering (UCS) /Supplement 0 >> def\n/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<" +
        hex(0, digits) + "> <" + hex((1u << (4 * digits)) - 1, digits) + ">\nendcodespacerange\n";
    for (size_t i = 0; i < codes.size(); i += 100) {
      const size_t n = std::min<size_t>(100, codes.size() - i);
      cmap += QByteArray::number(qulonglong(n)) + " beginbfchar\n";
      for (size_t k = i; k < i + n; ++k)
        cmap += '<' + hex(codes[k].first, digits) + "> <" + hex(codes[k].second, 4) + ">\n";
      cmap += "endbfchar\n";
    }
    cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    const int object = newObject();
    writeStream(object, QByteArray(), rpPdfDeflate(cmap.constData(), size_t(cmap.size())));
    return object;
  };

  for (const TRpPdfFace* f : fonts.usedFaces()) {
    // What the one-byte font shows (by Windows-1252 byte) and what the CID font shows (by glyph).
    std::vector<std::pair<unsigned, char16_t>> codes, glyphs;
    const std::array<char16_t, 256> shown = shownCodes(f->codes_);
    for (unsigned b = 0; b < 256; ++b)
      if (shown[b]) codes.emplace_back(b, shown[b]);
    for (int g = 1; g < f->numGlyphs_; ++g)
      if (char16_t c = f->used_[g].load(std::memory_order_relaxed)) glyphs.emplace_back(unsigned(g), c);

    // The subset's tag: six capitals from what it shows, the same for the same glyphs.
    quint32 h = 2166136261u;  // FNV-1a: the same on every run, unlike qHash
    auto mix = [&h](const char* p, size_t n) {
      for (size_t i = 0; i < n; ++i) h = (h ^ quint8(p[i])) * 16777619u;
    };
    for (const auto* list : {&codes, &glyphs}) {
      for (const auto& [code, c] : *list) {
        const char b[4] = {char(code >> 8), char(code), char(c >> 8), char(c)};
        mix(b, 4);
      }
      mix("/", 1);
    }
    mix(f->name.constData(), size_t(f->name.size()));
    QByteArray name(6, 'A');
    for (char& ch : name) ch = char('A' + h % 26), h /= 26;
    name += '+' + f->name;
    const double scale = 1000.0 / f->unitsPerEm_;

    // A font the subsetter cannot cut is embedded whole (its name then carries no subset tag).
    QByteArray file = TRpPdfFonts::subset(*f, shown, !glyphs.empty());
    if (file.isEmpty()) {
      file = f->file_;
      name = f->name;
    }
    const int fileObj = newObject();
    writeStream(fileObj, " /Length1 " + QByteArray::number(file.size()),
                rpPdfDeflate(file.constData(), size_t(file.size())));

    const int descriptor = newObject();
    QByteArray d = QByteArray::number(descriptor) + " 0 obj\n<< /Type /FontDescriptor /FontName /" + name + " /Flags " +
                   QByteArray::number(f->italic_ ? 32 + 64 : 32) + " /FontBBox [";
    for (int i = 0; i < 4; ++i) num(d, f->bbox_[i] * scale, i < 3 ? ' ' : ']');
    d += " /ItalicAngle ";
    num(d, f->italicAngle_, ' ');
    d += "/Ascent ";
    num(d, f->ascent_ * scale, ' ');
    d += "/Descent ";
    num(d, f->descent_ * scale, ' ');
    d += "/CapHeight ";
    num(d, f->capHeight_ * scale, ' ');
    d += "/StemV 80 /FontFile2 " + QByteArray::number(fileObj) + " 0 R >>\nendobj\n";
    write(d);

    if (!codes.empty()) {
      // The one-byte font: WinAnsi encoding, whose glyph names lead to the characters of
      // Windows-1252, found through the subset's Unicode map.
      const unsigned first = codes.front().first, last = codes.back().first;
      QByteArray w;
      for (unsigned b = first, k = 0; b <= last; ++b) {
        if (k < codes.size() && codes[k].first == b)
          num(w, f->width(f->glyph(codes[k++].second)));
        else
          w += '0';
        w += b < last ? ' ' : ']';
      }
      const int unicode = toUnicode(2, codes);
      const int font = newObject();
      write(QByteArray::number(font) + " 0 obj\n<< /Type /Font /Subtype /TrueType /BaseFont /" + name + " /FirstChar " +
            QByteArray::number(first) + " /LastChar " + QByteArray::number(last) + " /Widths [" + w +
            " /Encoding /WinAnsiEncoding /FontDescriptor " + QByteArray::number(descriptor) + " 0 R /ToUnicode " +
            QByteArray::number(unicode) + " 0 R >>\nendobj\n");
      resources += " /" + f->resource + ' ' + QByteArray::number(font) + " 0 R";
    }

    if (!glyphs.empty()) {
      // The CID font, for characters outside Windows-1252: glyph numbers as codes.
      const int cid = newObject();
      QByteArray w = QByteArray::number(cid) + " 0 obj\n<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
                     " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor " +
                     QByteArray::number(descriptor) + " 0 R /CIDToGIDMap /Identity /W [";
      for (size_t i = 0; i < glyphs.size();) {
        size_t j = i;
        w += QByteArray::number(glyphs[i].first) + " [";
        do {
          num(w, f->width(quint16(glyphs[j].first)), ' ');
          ++j;
        } while (j < glyphs.size() && glyphs[j].first == glyphs[j - 1].first + 1);
        w += "] ";
        i = j;
      }
      w += "] >>\nendobj\n";
      write(w);
      const int unicode = toUnicode(4, glyphs);
      const int type0 = newObject();
      write(QByteArray::number(type0) + " 0 obj\n<< /Type /Font /Subtype /Type0 /BaseFont /" + name +
            " /Encoding /Identity-H /DescendantFonts [" + QByteArray::number(cid) + " 0 R] /ToUnicode " +
            QByteArray::number(unicode) + " 0 R >>\nendobj\n");
      resources += " /" + f->wideResource + ' ' + QByteArray::number(type0) + " 0 R";
    }
  }
  offsets_[kResources] = offset_;
  write("3 0 obj\n" + resources + " >> >>\nendobj\n");

  offsets_[kPages] = offset_;
  QByteArray kids = "2 0 obj\n<< /Type /Pages /Count " + QByteArray::number(qulonglong(pages_.size())) + " /Kids [";
  for (int p : pages_) kids += QByteArray::number(p) + " 0 R ";
  write(kids + "] >>\nendobj\n");
  offsets_[kCatalog] = offset_;
  write("1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");

  const qint64 xref = offset_;
  QByteArray x = "xref\n0 " + QByteArray::number(qulonglong(offsets_.size())) + "\n0000000000 65535 f \n";
  for (size_t i = 1; i < offsets_.size(); ++i)
    x += QByteArray::number(offsets_[i]).rightJustified(10, '0') + " 00000 n \n";
  x += "trailer\n<< /Size " + QByteArray::number(qulonglong(offsets_.size())) +
       " /Root 1 0 R /Info 4 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
  write(x);
}

}  // namespace cotavia::rpdetail
