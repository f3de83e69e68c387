#pragma once
// Printer models: the control sequences of each model, the default font, the sequence sent
// before an item of a given attribute code, relative character widths, and the two character
// conversions applied to text on output.
#include "textprint/txtypes.h"

#include <QByteArray>
#include <array>

namespace cotavia {

// The sequence set of a printer model plus the default font derived from the job's defaults.
struct Sequencias {
  QByteArray espacamento;    // line spacing (6 or 8 lpi), sent at the start of a run
  QByteArray saltoPagina;    // form feed, sent at the end of every page
  QByteArray tamanhoPagina;  // page length, sent at the start of a run
  QByteArray negrito;        // attribute 2
  QByteArray italico;        // attribute 1
  QByteArray sublinhado;     // attribute 4
  QByteArray expandido;      // attribute 8
  QByteArray normal10;       // attribute 16
  QByteArray comprimir12;    // attribute 32
  QByteArray comprimir17;    // attribute 64
  QByteArray comprimir20;    // attribute 128
  QByteArray reset;          // start of a run, and after every item printed with its own font
  QByteArray inicializar;    // end of job

  TFonte fontePadrao;         // default font set
  int atributoPadrao = 16;    // its attribute code
  int passoPadrao = 10;       // default pitch in cpi (5, 10, 12, 17, 20)
  QByteArray seqFontePadrao;  // default font sequence
  // Width of one character of each pitch in columns of the default pitch:
  // expanded, 10, 12, 17, 20 cpi.
  std::array<double, 5> larguras{2.0, 1.0, 0.833333, 0.584795, 0.5};

  // Job prologue: line spacing + page length + reset + default font sequence.
  QByteArray prologo() const { return espacamento + tamanhoPagina + reset + seqFontePadrao; }
};

// Builds the sequence set of a model for the given page length and spacing, and the default
// font values from the default pitch and style. (HP has no expanded sequence at a default of
// 5 cpi: it stays empty.)
Sequencias MontaSequencias(TModelo modelo, int linhas, TLinha lpp, TSize tamanho, TStyle estilo, const TCustom& custom);

// "27 67 66" -> bytes 27, 67, 66. Pieces split at single spaces; a piece that is not a decimal
// integer (the empty piece between two spaces included) is skipped; values are taken mod 256.
QByteArray CodigosDecimais(const QByteArray& texto);

// Bytes to send before an item with the attribute code, and the item's pitch in cpi.
// Empty for the default attribute code (pitch = default pitch).
QByteArray SequenciaItem(const Sequencias& s, int atributo, int* passo = nullptr);

// Width factor of an item's text for drawing: the relative width of its pitch (pitch bits
// tested from 20 cpi down to expanded, the last one found wins); 1.0 without a pitch bit.
double LarguraRelativa(const Sequencias& s, int atributo);

// The pitch, in characters per inch, at which a printer of the model really prints text of an
// engine pitch (5, 10, 12, 17 or 20): condensed 17 is 17.14 cpi on Epson-class printers (Epson,
// Rima, the custom model; the Grafico drawing keeps the same proportion) and 16.67 cpi on HP.
// A text's width in inches is its length divided by this.
double PassoImpresso(TModelo modelo, int passo);

// Accent handling of one item's text (Windows-1252 bytes) before output.
QByteArray TrataAcento(const QByteArray& texto, TAcento acentuacao, TModelo modelo);
// Frame letters (= I A B C D T V [ ] # and - i a b c d t v < > +) to code page 437 box bytes.
QByteArray CaracteresBox(const QByteArray& texto);

}  // namespace cotavia
