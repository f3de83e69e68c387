#include "textprint/txmodels.h"

#include "platform/codepage.h"

namespace cotavia {

namespace {

QByteArray bytes(std::initializer_list<int> values) {
  QByteArray out;
  out.reserve(static_cast<qsizetype>(values.size()));
  for (int v : values) out.append(static_cast<char>(v));
  return out;
}

void epsonLike(Sequencias& s, bool rima, int linhas, TLinha lpp) {
  s.espacamento = lpp == TLinha::Seis ? bytes({27, 50}) : bytes({27, 48});
  s.saltoPagina = bytes({12});
  s.tamanhoPagina = bytes({27, 67, linhas & 0xFF});
  s.negrito = bytes({27, 69});
  s.italico = bytes({27, 52});
  s.sublinhado = bytes({27, 45, 49});
  s.expandido = bytes({27, 14});
  if (rima) {
    s.normal10 = bytes({30, 48});
    s.comprimir12 = bytes({30, 50});
    s.comprimir17 = bytes({30, 52});
    s.comprimir20 = bytes({30, 53});
    s.reset = bytes({30, 48, 27, 53, 27, 70, 27, 45, 48});
  } else {
    s.normal10 = bytes({18, 27, 80});
    s.comprimir12 = bytes({18, 27, 77});
    s.comprimir17 = bytes({27, 80, 27, 15});
    s.comprimir20 = bytes({27, 77, 27, 15});
    s.reset = bytes({27, 80, 18, 20, 27, 53, 27, 70, 27, 45, 48});
  }
  s.inicializar = bytes({27, 64});
}

void hp(Sequencias& s, int linhas, TLinha lpp, TSize tamanho) {
  s.espacamento = lpp == TLinha::Seis ? QByteArray("\x1b&l6D") : QByteArray("\x1b&l8D");
  s.saltoPagina = "\x1b&l0H";
  s.tamanhoPagina = "\x1b&l" + QByteArray::number(linhas) + "P";
  s.negrito = "\x1b(s3B";
  s.italico = "\x1b(s1S";
  s.sublinhado = "\x1b&d0D";
  switch (tamanho) {
    case TSize::S10cpp:
      s.expandido = "\x1b(s5H";
      break;
    case TSize::S12cpp:
      s.expandido = "\x1b(s6H";
      break;
    case TSize::S17cpp:
      s.expandido = "\x1b(s8.33H";
      break;
    case TSize::S20cpp:
      s.expandido = "\x1b(s10H";
      break;
    case TSize::S05cpp:
      s.expandido.clear();
      break;
  }
  s.normal10 = "\x1b(s10H";
  s.comprimir12 = "\x1b(s12H";
  s.comprimir17 = "\x1b(s16.67H";
  s.comprimir20 = "\x1b(s20H";
  s.reset = "\x1b(s0B\x1b(s0S\x1b&d@\x1b(s10H\x1b(12U\x1b&l0L";
  s.inicializar =
      "\x1b"
      "E";
}

}  // namespace

QByteArray CodigosDecimais(const QByteArray& texto) {
  QByteArray out;
  for (const QByteArray& piece : texto.split(' ')) {
    if (piece.isEmpty()) continue;
    bool ok = false;
    const long long v = piece.toLongLong(&ok);
    if (!ok) continue;
    out.append(static_cast<char>(static_cast<unsigned long long>(v) & 0xFF));
  }
  return out;
}

Sequencias MontaSequencias(TModelo modelo, int linhas, TLinha lpp, TSize tamanho, TStyle estilo, const TCustom& c) {
  Sequencias s;
  switch (modelo) {
    case TModelo::Epson:
      epsonLike(s, false, linhas, lpp);
      break;
    case TModelo::Rima:
      epsonLike(s, true, linhas, lpp);
      break;
    case TModelo::HP:
      hp(s, linhas, lpp, tamanho);
      break;
    case TModelo::Grafico:
      break;
    case TModelo::Personalizado:
      s.espacamento = CodigosDecimais(lpp == TLinha::Seis ? c.AvancaSextos : c.AvancaOitavos);
      s.saltoPagina = CodigosDecimais(c.SaltoPagina);
      s.tamanhoPagina = CodigosDecimais(c.TamanhoPagina);
      s.negrito = CodigosDecimais(c.Negrito);
      s.italico = CodigosDecimais(c.Italico);
      s.sublinhado = CodigosDecimais(c.Sublinhado);
      s.expandido = CodigosDecimais(c.Expandido);
      s.normal10 = CodigosDecimais(c.Normal10);
      s.comprimir12 = CodigosDecimais(c.Comprimir12);
      s.comprimir17 = CodigosDecimais(c.Comprimir17);
      s.comprimir20 = CodigosDecimais(c.Comprimir20);
      s.reset = CodigosDecimais(c.Reset);
      s.inicializar = CodigosDecimais(c.Inicializar);
      break;
  }

  QByteArray tamanhoSeq;
  switch (tamanho) {
    case TSize::S05cpp:
      s.fontePadrao = TFonte::expandido;
      s.passoPadrao = 5;
      tamanhoSeq = s.expandido;
      s.larguras = {2.0, 1.0, 0.833333, 0.584795, 0.5};
      break;
    case TSize::S10cpp:
      s.fontePadrao = TFonte::normal;
      s.passoPadrao = 10;
      tamanhoSeq = s.normal10;
      s.larguras = {2.0, 1.0, 0.833333, 0.584795, 0.5};
      break;
    case TSize::S12cpp:
      s.fontePadrao = TFonte::comp12;
      s.passoPadrao = 12;
      tamanhoSeq = s.comprimir12;
      s.larguras = {2.0, 1.2, 1.0, 0.701754, 0.6};
      break;
    case TSize::S17cpp:
      s.fontePadrao = TFonte::comp17;
      s.passoPadrao = 17;
      tamanhoSeq = s.comprimir17;
      s.larguras = {2.0, 1.71, 1.425, 1.0, 0.855};
      break;
    case TSize::S20cpp:
      s.fontePadrao = TFonte::comp20;
      s.passoPadrao = 20;
      tamanhoSeq = s.comprimir20;
      s.larguras = {2.0, 2.0, 1.666666, 1.16959, 1.0};
      break;
  }
  if (estilo & Snegrito) s.fontePadrao |= TFonte::negrito;
  if (estilo & Sitalico) s.fontePadrao |= TFonte::italico;
  if (estilo & Ssublinhado) s.fontePadrao |= TFonte::sublinhado;
  s.atributoPadrao = s.fontePadrao.atributo();
  s.seqFontePadrao.clear();
  if (estilo & Sitalico) s.seqFontePadrao += s.italico;
  if (estilo & Snegrito) s.seqFontePadrao += s.negrito;
  if (estilo & Ssublinhado) s.seqFontePadrao += s.sublinhado;
  s.seqFontePadrao += tamanhoSeq;
  return s;
}

QByteArray SequenciaItem(const Sequencias& s, int atributo, int* passo) {
  int p = s.passoPadrao;
  QByteArray out;
  if (atributo != s.atributoPadrao) {
    int a = atributo;
    if (a >= 128) {
      out += s.comprimir20;
      a -= 128;
      p = 20;
    }
    if (a >= 64) {
      out += s.comprimir17;
      a -= 64;
      p = 17;
    }
    if (a >= 32) {
      out += s.comprimir12;
      a -= 32;
      p = 12;
    }
    if (a >= 16) {
      out += s.normal10;
      a -= 16;
      p = 10;
    }
    if (a >= 8) {
      out += s.expandido;
      a -= 8;
      p = 5;
    }
    if (a >= 4) {
      out += s.sublinhado;
      a -= 4;
    }
    if (a >= 2) {
      out += s.negrito;
      a -= 2;
    }
    if (a >= 1) out += s.italico;
  }
  if (passo) *passo = p;
  return out;
}

double LarguraRelativa(const Sequencias& s, int atributo) {
  double f = 1.0;
  if (atributo & 128) f = s.larguras[4];
  if (atributo & 64) f = s.larguras[3];
  if (atributo & 32) f = s.larguras[2];
  if (atributo & 16) f = s.larguras[1];
  if (atributo & 8) f = s.larguras[0];
  return f;
}

double PassoImpresso(TModelo modelo, int passo) {
  switch (passo) {
    case 5:
      return 5;
    case 12:
      return 12;
    case 17:
      return modelo == TModelo::HP ? 16.67 : 120.0 / 7;
    case 20:
      return 20;
    default:
      return 10;
  }
}

QByteArray TrataAcento(const QByteArray& texto, TAcento acentuacao, TModelo modelo) {
  if (acentuacao == TAcento::SemAcento || modelo == TModelo::Rima) {
    static const auto table = [] {
      std::array<char, 256> t{};
      for (int i = 0; i < 256; ++i) t[i] = static_cast<char>(i);
      auto set = [&](const char* from, char to) {
        for (const char* p = from; *p; ++p) t[static_cast<unsigned char>(*p)] = to;
      };
      set("\xE1\xE0\xE3\xE2\xE4", 'a');
      set("\xE9\xE8\xEA\xEB", 'e');
      set("\xED\xEC\xEE\xEF", 'i');
      set("\xF3\xF2\xF5\xF4\xF6", 'o');
      set("\xFA\xF9\xFB\xFC", 'u');
      set("\xC1\xC0\xC3\xC2\xC4", 'A');
      set("\xC9\xC8\xCA\xCB", 'E');
      set("\xCD\xCC\xCE\xCF", 'I');
      set("\xD3\xD2\xD5\xD4\xD6", 'O');
      set("\xDA\xD9\xDB\xDC", 'U');
      set("\xE7", 'c');
      set("\xC7", 'C');
      set("\xF1", 'n');
      set("\xD1", 'N');
      set("\xBA", 'o');
      set("\xAA", 'a');
      set("\xBC\xBE\xBD\xA7", ' ');
      // Every other character above 127 would reach the printer as a raw byte and print as
      // whatever its built-in character set holds there (block graphics for "\xB2"): it becomes
      // its nearest plain character, one for one, or "?" when it has none.
      static const char* const resto[][2] = {
          {"\x80", "E"},         {"\x82", ","},          {"\x83", "f"},     {"\x84", "\""},
          {"\x85", "."},         {"\x86\x87", "+"},      {"\x88", "^"},     {"\x89", "%"},
          {"\x8A", "S"},         {"\x8B", "<"},          {"\x8C", "O"},     {"\x8E", "Z"},
          {"\x91\x92\xB4", "'"}, {"\x93\x94\xA8", "\""}, {"\x95", "*"},     {"\x96\x97\xAC\xAD\xAF", "-"},
          {"\x98", "~"},         {"\x9A", "s"},          {"\x9B", ">"},     {"\x9C", "o"},
          {"\x9E", "z"},         {"\x9F\xA5\xDD", "Y"},  {"\xA0", " "},     {"\xA1", "!"},
          {"\xA2", "c"},         {"\xA3", "L"},          {"\xA6", "|"},     {"\xA9", "C"},
          {"\xAB", "<"},         {"\xAE", "R"},          {"\xB0", "o"},     {"\xB2", "2"},
          {"\xB3", "3"},         {"\xB5", "u"},          {"\xB7", "."},     {"\xB8", ","},
          {"\xB9", "1"},         {"\xBB", ">"},          {"\xC5\xC6", "A"}, {"\xD0", "D"},
          {"\xD7", "x"},         {"\xD8", "O"},          {"\xDF", "s"},     {"\xE5\xE6", "a"},
          {"\xF0", "d"},         {"\xF8", "o"},          {"\xFD\xFF", "y"}};
      for (int i = 128; i < 256; ++i)
        if (static_cast<unsigned char>(t[i]) == i) t[i] = '?';
      for (const auto& r : resto) set(r[0], r[1][0]);
      return t;
    }();
    QByteArray out = texto;
    for (char& ch : out) ch = table[static_cast<unsigned char>(ch)];
    return out;
  }
  if (modelo != TModelo::Grafico) return cp1252ToOem(texto);
  return texto;
}

QByteArray CaracteresBox(const QByteArray& texto) {
  static const auto table = [] {
    std::array<char, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<char>(i);
    const struct {
      char letter;
      int byte;
    } map[] = {{'=', 205}, {'-', 196}, {'I', 186}, {'i', 179}, {'A', 201}, {'a', 218}, {'B', 187}, {'b', 191},
               {'C', 188}, {'c', 217}, {'D', 200}, {'d', 192}, {'T', 203}, {'t', 194}, {'V', 202}, {'v', 193},
               {'[', 204}, {'<', 195}, {']', 185}, {'>', 180}, {'#', 206}, {'+', 197}};
    for (const auto& m : map) t[static_cast<unsigned char>(m.letter)] = static_cast<char>(m.byte);
    return t;
  }();
  QByteArray out = texto;
  for (char& ch : out) ch = table[static_cast<unsigned char>(ch)];
  return out;
}

}  // namespace cotavia
