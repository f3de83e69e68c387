#pragma once
// Types of the text-mode print engine: enumerations, the font set of a placed text, the custom
// printer's control sequences and the preview options.
#include <QByteArray>
#include <QColor>
#include <QString>
#include <cstdint>

namespace cotavia {

// Printer model (ordinal values in this order).
enum class TModelo { Epson, Rima, HP, Grafico, Personalizado };
// Accent handling of output text.
enum class TAcento { Transliterate, SemAcento };
// Line spacing: 6 or 8 lines per inch.
enum class TLinha { Seis, Oito };
// Default pitch: 5, 10, 12, 17 or 20 characters per inch.
enum class TSize { S05cpp, S10cpp, S12cpp, S17cpp, S20cpp };
// State of a preview button: enabled, disabled, hidden.
enum class TStatBut { Ativo, Inativo, Invisivel };

// Default style: a set of TEstilo bits.
enum TEstilo : unsigned { Snegrito = 1, Sitalico = 2, Ssublinhado = 4 };
using TStyle = unsigned;

// Font set passed with each placed text: three styles and five pitches, as bits.
class TFonte {
 public:
  enum Membro : unsigned {
    negrito = 1,
    italico = 2,
    sublinhado = 4,
    expandido = 8,
    normal = 16,
    comp12 = 32,
    comp17 = 64,
    comp20 = 128,
  };
  constexpr TFonte() = default;
  constexpr TFonte(Membro m) : bits_(m) {}
  constexpr explicit TFonte(unsigned bits) : bits_(bits & 0xFF) {}
  constexpr unsigned bits() const { return bits_; }
  constexpr bool empty() const { return bits_ == 0; }
  constexpr bool has(Membro m) const { return (bits_ & m) != 0; }
  constexpr TFonte operator|(TFonte o) const { return TFonte(bits_ | o.bits_); }
  constexpr TFonte& operator|=(TFonte o) {
    bits_ |= o.bits_;
    return *this;
  }
  constexpr bool operator==(const TFonte&) const = default;
  // The attribute code kept in a job item: the font bits with the first two exchanged
  // (italic 1, bold 2, underline 4, expanded 8, 10 cpi 16, 12 cpi 32, 17 cpi 64, 20 cpi 128).
  constexpr int atributo() const { return static_cast<int>((bits_ & ~3u) | ((bits_ & 1u) << 1) | ((bits_ & 2u) >> 1)); }

 private:
  unsigned bits_ = 0;
};
constexpr TFonte operator|(TFonte::Membro a, TFonte::Membro b) { return TFonte(a) | TFonte(b); }

// Control sequences of the Personalizado model, as decimal codes separated by spaces.
struct TCustom {
  QString NomeImpressora = QStringLiteral("Modelo Personalizado - (Epson)");
  QByteArray AvancaOitavos = "27 48";
  QByteArray AvancaSextos = "27 50";
  QByteArray SaltoPagina = "12";
  QByteArray TamanhoPagina = "27 67 66";
  QByteArray Negrito = "27 69";
  QByteArray Italico = "27 52";
  QByteArray Sublinhado = "27 45 49";
  QByteArray Expandido = "27 14";
  QByteArray Normal10 = "18 27 80";
  QByteArray Comprimir12 = "18 27 77";
  QByteArray Comprimir17 = "27 80 27 15";
  QByteArray Comprimir20 = "27 77 27 15";
  QByteArray Reset = "27 80 18 20 27 53 27 70 27 45 48";
  QByteArray Inicializar = "27 64";
  bool operator==(const TCustom&) const = default;
};

// Options of the preview window.
struct TPreviewOptions {
  bool PaginaZebrada = false;  // odd lines on a light green band
  bool Remalina = false;       // side strips of continuous paper
  QString CaptionPreview = QStringLiteral("Visualização da Impressão");
  int PreviewZoom = 100;  // 20..400 percent; 0 whole page; -1 fit width; -2 100 percent
  QColor CorPapelPreview = Qt::white;
  QColor CorLetraPreview = Qt::black;
  bool Preview = false;  // preview instead of direct printing
  TStatBut BotaoSetup = TStatBut::Ativo;
  TStatBut BotaoImprimir = TStatBut::Ativo;
  TStatBut BotaoGravar = TStatBut::Ativo;
  TStatBut BotaoLer = TStatBut::Ativo;
  bool operator==(const TPreviewOptions&) const = default;
};

}  // namespace cotavia
