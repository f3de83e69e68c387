// Printer models: sequence tables, default font, item sequences, widths and text conversions.
#include "platform/codepage.h"
#include "textprint/txmodels.h"

#include <gtest/gtest.h>

using namespace cotavia;

namespace {
QByteArray b(std::initializer_list<int> v) {
  QByteArray o;
  for (int x : v) o.append(static_cast<char>(x));
  return o;
}
Sequencias monta(TModelo m, int linhas = 66, TLinha lpp = TLinha::Seis, TSize t = TSize::S10cpp, TStyle e = 0) {
  return MontaSequencias(m, linhas, lpp, t, e, TCustom());
}
}  // namespace

TEST(Models, SequenceTables) {
  const Sequencias ep = monta(TModelo::Epson);
  EXPECT_EQ(ep.tamanhoPagina, b({27, 67, 66}));
  EXPECT_EQ(ep.prologo(), b({27, 50, 27, 67, 66, 27, 80, 18, 20, 27, 53, 27, 70, 27, 45, 48, 18, 27, 80}));
  EXPECT_EQ(ep.inicializar, b({27, 64}));
  EXPECT_EQ(monta(TModelo::Epson, 300).tamanhoPagina, b({27, 67, 44}));  // the length byte is n mod 256
  EXPECT_EQ(monta(TModelo::Epson, 66, TLinha::Oito).espacamento, b({27, 48}));

  EXPECT_EQ(monta(TModelo::HP).tamanhoPagina, b({27, 38, 108, 54, 54, 80}));
  EXPECT_EQ(monta(TModelo::HP, 8).tamanhoPagina, b({27, 38, 108, 56, 80}));
  EXPECT_EQ(monta(TModelo::HP, 66, TLinha::Oito).espacamento, b({27, 38, 108, 56, 68}));
  EXPECT_EQ(monta(TModelo::HP).reset.size(), 30);
  EXPECT_EQ(monta(TModelo::HP).comprimir17, b({27, 40, 115, 49, 54, 46, 54, 55, 72}));
  EXPECT_EQ(monta(TModelo::HP, 66, TLinha::Seis, TSize::S17cpp).expandido, b({27, 40, 115, 56, 46, 51, 51, 72}));
  EXPECT_EQ(monta(TModelo::HP, 66, TLinha::Seis, TSize::S20cpp).expandido, b({27, 40, 115, 49, 48, 72}));
  EXPECT_TRUE(monta(TModelo::HP, 66, TLinha::Seis, TSize::S05cpp).expandido.isEmpty());

  const Sequencias rima = monta(TModelo::Rima);
  EXPECT_EQ(rima.normal10, b({30, 48}));
  EXPECT_EQ(rima.reset, b({30, 48, 27, 53, 27, 70, 27, 45, 48}));

  const Sequencias g = monta(TModelo::Grafico);
  EXPECT_TRUE(g.prologo().isEmpty());
  EXPECT_TRUE(g.saltoPagina.isEmpty());

  // Personalizado: the stored decimal codes; the page length does not follow the line count.
  TCustom c;
  c.TamanhoPagina = "27 67 72";
  c.Comprimir17 = "15";
  const Sequencias p = MontaSequencias(TModelo::Personalizado, 66, TLinha::Seis, TSize::S10cpp, 0, c);
  EXPECT_EQ(p.tamanhoPagina, b({27, 67, 72}));
  EXPECT_EQ(p.comprimir17, b({15}));
  EXPECT_EQ(p.reset, ep.reset);
}

TEST(Models, DefaultFontAndItemSequences) {
  const Sequencias s = monta(TModelo::Epson);
  EXPECT_EQ(s.fontePadrao, TFonte(TFonte::normal));
  EXPECT_EQ(s.atributoPadrao, 16);
  EXPECT_EQ(s.seqFontePadrao, s.normal10);
  EXPECT_EQ(s.passoPadrao, 10);

  const Sequencias s17 = monta(TModelo::Epson, 66, TLinha::Seis, TSize::S17cpp, Snegrito | Sitalico);
  EXPECT_EQ(s17.atributoPadrao, 67);
  EXPECT_EQ(s17.seqFontePadrao, b({27, 52, 27, 69, 27, 80, 27, 15}));
  EXPECT_EQ(s17.passoPadrao, 17);

  int passo = 0;
  EXPECT_EQ(SequenciaItem(s, TFonte(TFonte::comp17).atributo(), &passo), b({27, 80, 27, 15}));
  EXPECT_EQ(passo, 17);
  EXPECT_EQ(SequenciaItem(s, (TFonte::negrito | TFonte::normal).atributo(), &passo), b({18, 27, 80, 27, 69}));
  EXPECT_EQ(passo, 10);
  EXPECT_TRUE(SequenciaItem(s, 0, &passo).isEmpty());  // frames
  EXPECT_EQ(passo, 10);
  EXPECT_TRUE(SequenciaItem(s, 16, &passo).isEmpty());
  // Several pitch bits: all sequences, the last (lowest) pitch wins.
  EXPECT_EQ(SequenciaItem(s, 64 + 8, &passo), b({27, 80, 27, 15, 27, 14}));
  EXPECT_EQ(passo, 5);

  // Attribute codes: bold and italic exchanged.
  EXPECT_EQ(TFonte(TFonte::comp17).atributo(), 64);
  EXPECT_EQ((TFonte::negrito | TFonte::normal).atributo(), 18);
  EXPECT_EQ((TFonte::italico | TFonte::normal).atributo(), 17);
  EXPECT_EQ((TFonte::negrito | TFonte::comp17).atributo(), 66);
  EXPECT_EQ(TFonte(TFonte::sublinhado).atributo(), 4);
}

TEST(Models, RelativeWidths) {
  const Sequencias s10 = monta(TModelo::Epson);
  EXPECT_DOUBLE_EQ(LarguraRelativa(s10, 64), 0.584795);
  EXPECT_DOUBLE_EQ(LarguraRelativa(s10, 2), 1.0);
  EXPECT_DOUBLE_EQ(LarguraRelativa(s10, 128 + 8), 2.0);
  const Sequencias s17 = monta(TModelo::Epson, 66, TLinha::Seis, TSize::S17cpp);
  EXPECT_DOUBLE_EQ(LarguraRelativa(s17, 16), 1.71);
  EXPECT_DOUBLE_EQ(LarguraRelativa(s17, 128), 0.855);
  const Sequencias s20 = monta(TModelo::Grafico, 66, TLinha::Seis, TSize::S20cpp);
  EXPECT_DOUBLE_EQ(LarguraRelativa(s20, 32), 1.666666);
}

TEST(Models, DecimalCodes) {
  EXPECT_EQ(CodigosDecimais("27 67 66"), b({27, 67, 66}));
  EXPECT_EQ(CodigosDecimais("27  64"), b({27, 64}));
  EXPECT_EQ(CodigosDecimais("27 x 64"), b({27, 64}));
  EXPECT_EQ(CodigosDecimais("300"), b({44}));
  EXPECT_EQ(CodigosDecimais(" "), QByteArray());
  EXPECT_EQ(CodigosDecimais("0"), b({0}));
}

TEST(Models, AccentsAndFrames) {
  const QByteArray acao = "A\xE7\xE3o N\xBA";  // Ação Nº
  EXPECT_EQ(TrataAcento(acao, TAcento::SemAcento, TModelo::Epson), "Acao No");
  EXPECT_EQ(TrataAcento(acao, TAcento::Transliterate, TModelo::Rima), "Acao No");
  EXPECT_EQ(TrataAcento("\xBC\xBD\xBE\xA7\xAA", TAcento::SemAcento, TModelo::HP), "    a");
  // Without accents nothing above 127 reaches the printer: superscripts, degree, micro and
  // the like become their plain character, the rest "?", one for one.
  EXPECT_EQ(TrataAcento("g/m\xB2 m\xB3 10\xB0"
                        "C 5\xB5m \x93x\x94 \x80 \xA9 \xF7 \x81",
                        TAcento::Transliterate, TModelo::Rima),
            "g/m2 m3 10oC 5um \"x\" E C ? ?");
  for (int c = 128; c < 256; ++c) {
    const QByteArray one(1, static_cast<char>(c));
    for (TModelo m : {TModelo::Rima, TModelo::Epson, TModelo::HP, TModelo::Personalizado}) {
      const QByteArray out = TrataAcento(one, m == TModelo::Rima ? TAcento::Transliterate : TAcento::SemAcento, m);
      ASSERT_EQ(out.size(), 1);
      EXPECT_LT(static_cast<unsigned char>(out[0]), 128) << c;
    }
  }
  EXPECT_EQ(TrataAcento(acao, TAcento::Transliterate, TModelo::Epson), "A\x87\xC6o N\xA7");  // CP850
  EXPECT_EQ(TrataAcento(acao, TAcento::Transliterate, TModelo::Grafico), acao);
  // CP437 has no Ã: it becomes '?', the length stays.
  setOemCodePage("CP437");
  EXPECT_EQ(TrataAcento("\xC3\xE7", TAcento::Transliterate, TModelo::Epson), "?\x87");
  setOemCodePage("CP850");
  EXPECT_EQ(CaracteresBox("a-b i d=c AIBDC tvT V[]#<>+ xyz"),
            "\xDA\xC4\xBF \xB3 \xC0\xCD\xD9 \xC9\xBA\xBB\xC8\xBC \xC2\xC1\xCB \xCA\xCC\xB9\xCE\xC3\xB4\xC5 xyz");
}
