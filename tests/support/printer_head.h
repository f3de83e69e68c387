#pragma once
// A printer's print head followed through the bytes of a printer file, written from the printer
// families' own command sets (not from the engine's tables): where each line of each page ends,
// in inches from the left margin. Epson-class printers (ESC/P: the Epson and custom models, and
// the Rima model's pitch codes) and HP (PCL).
#include <QByteArray>
#include <QList>

namespace cotavia::test {

enum class PrinterFamily { Epson, Rima, Hp };

struct Glyph {
  double from, to;  // inches
  char byte;
};

struct HeadLine {
  int page = 1;         // 1-based
  int line = 1;         // 1-based, counted by line feeds
  double end = 0;       // the farthest the head went after printing a character, in inches
  QByteArray text;      // the printable bytes sent on the line, in order (blanks included)
  QList<Glyph> glyphs;  // where each character other than a blank was printed
  // True when two characters of the line were printed over each other.
  bool overprinted() const;
};

// Every line that printed something. Character widths: 10 cpi, 12 cpi (ESC M), condensed 17.14
// cpi from 10 and 20 cpi from 12 (SI, ESC SI), double width for expanded (SO, ESC SO, ESC W 1);
// PCL pitches as sent (ESC (s#H). A backspace moves back one character of the current width,
// a carriage return to the margin; a line feed ends the line and a form feed (or PCL's page
// eject ESC &l0H) the page.
QList<HeadLine> followHead(const QByteArray& printerBytes, PrinterFamily family);

}  // namespace cotavia::test
