#pragma once
// The PDF writer of the export filter (internal). Pages come as drawing programs (rp_replay.h) and
// become PDF content streams: each recorded text is a string of an embedded font, at the position
// the label layout recorded (texts that follow one another share one text object, each placed
// from the one before, without the blanks around it); rectangles, lines and paths become PDF path
// operators, except white fills of paper nothing has touched yet (white on white). Each font file
// Qt draws with is embedded once per document, as a subset of the glyphs used (HarfBuzz's
// subsetter), as a simple TrueType font with one byte per character (WinAnsi encoding, the
// characters of Windows-1252); a character outside Windows-1252 is shown through a second font
// of the same file, a CID font with two bytes per glyph. Content is built and compressed page by
// page on any thread; the document is written page by page in order, so memory does not grow with
// the pages.
//
// The writer draws what Qt's PDF engine would draw for the same program, in the same places.
// Whatever it cannot draw that way (a font Qt emboldens or slants itself, underlined text, a
// character missing from the font, dashed pens, gradients, transparency) makes a page
// unsupported, and the export then leaves the whole document to Qt's engine.
#include <QByteArray>
#include <QHash>
#include <QIODevice>
#include <QSet>
#include <QSizeF>
#include <QString>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QFont;

namespace cotavia::rpdetail {

class TRpPageProgram;

// One font file embedded in the document.
class TRpPdfFace {
 public:
  QByteArray name;          // PostScript-style name, "LiberationSans-Bold"
  QByteArray resource;      // its one-byte font in page content, "LSB"
  QByteArray wideResource;  // its two-byte (CID) font, "LSBw"
  // The glyph showing a character of the Basic Multilingual Plane, 0 when the font has none.
  quint16 glyph(char16_t c) const { return cmap_[c]; }
  // Its advance, in thousandths of the font size, as the font's /Widths or /W give it.
  double width(quint16 glyph) const { return glyph < widths_.size() ? widths_[glyph] : 0; }
  // The box every glyph fits in, in thousandths of the font size from the origin, y upwards:
  // i = 0 left, 1 bottom, 2 right, 3 top.
  double box(int i) const { return bbox_[i] * 1000.0 / unitsPerEm_; }
  // Marks a Windows-1252 byte as shown by the one-byte font. Thread-safe.
  void useCode(quint8 code) const { codes_[code].store(true, std::memory_order_relaxed); }
  // Marks a glyph as shown by the CID font, showing the character c (for text extraction).
  // Thread-safe.
  void use(quint16 glyph, char16_t c) const;

 private:
  friend class TRpPdfFonts;
  friend class TRpPdfWriter;
  QByteArray file_;  // the font file (sfnt) rebuilt from the tables Qt reads
  std::vector<quint16> cmap_;
  std::vector<double> widths_;  // by glyph
  int unitsPerEm_ = 1000, numGlyphs_ = 0;
  int bbox_[4] = {0, 0, 0, 0};
  int ascent_ = 0, descent_ = 0, capHeight_ = 0;
  double italicAngle_ = 0;
  bool italic_ = false;
  mutable std::atomic<bool> codes_[256] = {};              // Windows-1252 bytes shown by the one-byte font
  mutable std::unique_ptr<std::atomic<char16_t>[]> used_;  // by glyph: the character the CID font shows, 0 if unused
};

// A QFont as drawn: its face, its size in page pixels, and how far below the recorded baseline
// Qt's layout puts the text (its fractional ascent less the rounded one).
struct TRpPdfFontUse {
  const TRpPdfFace* face = nullptr;
  double size = 0, baselineShift = 0;
};

// The faces of one document. Thread-safe.
class TRpPdfFonts {
 public:
  TRpPdfFonts();
  ~TRpPdfFonts();
  // How to draw this font; a use without face when the writer cannot draw it as Qt does.
  TRpPdfFontUse use(const QFont& font);
  // Every face that drew a glyph, sorted by name.
  std::vector<const TRpPdfFace*> usedFaces() const;
  // The face's font file cut down to the glyphs used, with a Unicode character map of the
  // characters the one-byte font shows (`shown`, by code); glyph numbers kept when the CID font
  // shows any. Empty on failure.
  static QByteArray subset(const TRpPdfFace& face, const std::array<char16_t, 256>& shown, bool keepGlyphNumbers);

 private:
  std::unique_ptr<TRpPdfFace> load(const QFont& font);
  mutable std::mutex lock_;
  QHash<QByteArray, TRpPdfFontUse> byFont_;               // by the font's description and size
  QHash<QByteArray, std::shared_ptr<TRpPdfFace>> faces_;  // by family and style
  QSet<QByteArray> resources_;                            // the faces' resource names
};

// The content stream of one page (uncompressed), drawing the program with page pixels as units;
// false when the page holds something the writer does not draw as Qt does.
bool rpPdfContent(const TRpPageProgram& program, TRpPdfFonts& fonts, std::string& content);

// Compresses a stream's data (zlib format, as PDF's FlateDecode reads it).
QByteArray rpPdfDeflate(const char* data, size_t size);

// Writes the document object by object to a device. Pages are added in order; finish() embeds the
// fonts and writes the page tree and the cross-reference table. Throws nothing: the device's
// errors are for the caller to check.
class TRpPdfWriter {
 public:
  TRpPdfWriter(QIODevice& out, const QString& title, const QString& author = QString());
  // A page of `pixels` (page-store pixels, 96 per inch) whose content stream is already
  // compressed.
  void addPage(const QSizeF& pixels, const QByteArray& compressedContent);
  void finish(TRpPdfFonts& fonts);

 private:
  int newObject();  // starts object n at the current offset and returns n
  void write(const QByteArray& b);
  void writeStream(int object, const QByteArray& dict, const QByteArray& compressed);
  QIODevice& out_;
  qint64 offset_ = 0;
  std::vector<qint64> offsets_{0};  // by object number; object 0 is the free list head
  std::vector<int> pages_;
  static constexpr int kCatalog = 1, kPages = 2, kResources = 3, kInfo = 4;
};

}  // namespace cotavia::rpdetail
