#include "app/core/text_printout.h"

#include "app/core/proposal_file.h"
#include "app/core/save.h"
#include "app/core/supplier.h"
#include "platform/amounts.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"
#include "textprint/txitem.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace cotavia {

namespace {

QByteArray cp(const char* utf8) { return toCp1252(QString::fromUtf8(utf8)); }

const TFonte kNegrito10 = TFonte::negrito | TFonte::normal;
const TFonte kItalico10 = TFonte::italico | TFonte::normal;
const TFonte kComp17 = TFonte::comp17;
const TFonte kNegrito17 = TFonte::negrito | TFonte::comp17;

// Item totals are summed as 64-bit counts of cents: an 11-digit total does not fit 32 bits.
qint64 strToInt64(const QByteArray& text) {
  const QByteArray t = text.trimmed();
  qsizetype i = 0;
  bool negativo = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negativo = t[i++] == '-';
  if (i >= t.size() || t.size() - i > 18) throw invalidInteger(text.toStdString());
  qint64 v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') throw invalidInteger(text.toStdString());
    v = v * 10 + (t[i] - '0');
  }
  return negativo ? -v : v;
}

bool blank(const QByteArray& field) { return field.trimmed().isEmpty(); }

// A printer line is 8 inches: the page's 80 columns of 10 cpi. The heading's boxes close with a
// bar in column 80, whose cell begins at 7.9 inches.
constexpr double kLinha = 8.0;
constexpr double kBordaDoBox = 7.9;

// How many characters of pitch `passo` fit from column `coluna` up to `ate` inches on a printer
// of the model (condensed text is narrower on Epson-class printers than on HP).
int cabem(TModelo modelo, int passo, int coluna, double ate) {
  return static_cast<int>(std::floor((ate - (coluna - 1) / 10.0) * PassoImpresso(modelo, passo) + 1e-6));
}

// The column titles, made to end within `cabe` characters: the blanks before the last title
// ("Total") go first, so every other title stays over its column.
QByteArray titulosDasColunas(int cabe) {
  QByteArray t =
      cp("Item Código Descrição                      Marca          Quantidade Unid       Pr.Unit.       "
         "Desconto      Acréscimo          Total");
  const qsizetype ultimo = t.lastIndexOf(' ') + 1;
  qsizetype brancos = ultimo;
  while (brancos > 0 && t[brancos - 1] == ' ') --brancos;
  const qsizetype tira = std::min<qsizetype>(t.size() - cabe, ultimo - brancos - 1);
  if (tira > 0) t.remove(ultimo - tira, tira);
  return t.left(cabe);
}

class Printout {
 public:
  Printout(TTxPrint& tx, TextPrintout& p) : tx_(tx), p_(p) {}
  // Opens the job, runs Setup and places the pages; the job stays open.
  bool monta();
  // Places the pages of the response file on the open job, for its printer model.
  void coloca();

 private:
  void paginas(const QList<QByteArray>& linhas);
  void cabecalho();
  void novaPagina();
  void item(const QByteArray& line);
  QByteArray valores(const QByteArray& line);
  // The engine's calls, left out while the pages are only counted. A text item carries no control
  // byte: one in a file (an ESC in a description would reach the printer as a command, ESC @
  // resetting it mid-page) is printed, and previewed, as a blank.
  void imp(int linha, int coluna, QByteArray texto, TFonte fonte) {
    if (contando_) return;
    for (char& c : texto)
      if (uchar(c) < 32) c = ' ';
    tx_.ImpF(linha, coluna, texto, fonte);
  }
  void caixa(int l1, int c1, int l2, int c2) {
    if (!contando_) tx_.Box(l1, c1, l2, c2, false);
  }

  TTxPrint& tx_;
  TextPrintout& p_;
  bool contando_ = false;  // lay the pages out without placing anything, to count them
  int pagina_ = 0;
  int linha_ = 0;
  qint64 total_ = 0;
  QByteArray separador_;
  QList<QByteArray> cabecalhoArquivo_;  // the response file's first six lines
  TModelo modelo_ = TModelo::Epson;     // the printer model chosen in the setup window
  bool fornecedorLido_ = false;
  QByteArray linha5_, linha6_;
};

void Printout::novaPagina() {
  if (!contando_) tx_.NovaPagina();
  linha_ = 14;
  cabecalho();
}

void Printout::cabecalho() {
  ++pagina_;
  if (contando_) return;
  imp(1, 25, cp("LICITAÇÃO - PROPOSTA ELETRÔNICA"), kNegrito10);
  p_.paginaTexto = QByteArray::number(pagina_).rightJustified(4, '0');
  imp(1, 73, cp("Página: ") + p_.paginaTexto, kComp17);
  caixa(4, 1, 12, 80);

  if (!fornecedorLido_) {
    // The supplier files do not change during a printout: read once, placed on every page.
    if (supplierDataExists(p_.folder)) {
      std::optional<QByteArray> id = readIdentityLine(p_.folder);
      if (!id && p_.identityGiven) id = padIdentity(p_.identity);
      if (!id) throw AppError(ErrorKind::NotFound, joinPath(p_.folder, kIdentityFileName), "File not found");
      const SupplierData s = readSupplierData(p_.folder);
      // Lines inside the box are cut where the printer's line ends (a long name or address
      // would wrap into a line of its own).
      linha5_ = (identityDisplay(*id) + "  -  " + s.name).left(cabem(modelo_, 10, 2, kLinha));
      linha6_ = (s.address + " " + s.city).left(cabem(modelo_, 17, 2, kLinha));
    }
    fornecedorLido_ = true;
  }
  if (!linha5_.isEmpty()) {
    imp(5, 2, linha5_, kNegrito10);
    imp(6, 2, linha6_, kComp17);
  }

  auto centrado = [&](int linhaPagina, const QByteArray& registro, int inicio, TFonte fonte) {
    const qsizetype n = trimRight(registro).size();
    const QByteArray texto = registro.mid(inicio - 1, n).left(cabem(modelo_, 10, 1, kLinha));
    // A heading wider than the page starts at column 1 instead of a position left of it.
    const int coluna = std::max(1, 40 - static_cast<int>(texto.size() / 2));
    imp(linhaPagina, coluna, texto, fonte);
  };
  centrado(2, cabecalhoArquivo_[0], 6, kNegrito10);
  centrado(3, cabecalhoArquivo_[1], 2, kItalico10);
  for (int i = 2; i < 6; ++i)
    imp(6 + i, 2, cabecalhoArquivo_[i].mid(1, std::min(135, cabem(modelo_, 17, 2, kLinha))), kComp17);

  caixa(12, 1, 14, 80);
  // The titles end inside the box: on HP's wider condensed letters the full text would put the
  // box's right edge through "Total".
  imp(13, 2, titulosDasColunas(cabem(modelo_, 17, 2, kBordaDoBox)), kComp17);
}

// The amounts line of an item record (brand, quantity, unit, unit price, discount, surcharge,
// total); adds the item total to the grand total.
QByteArray Printout::valores(const QByteArray& r) {
  QByteArray quantidade, unitario, desconto, acrescimo, totalItem;
  long double q = 0;
  try {
    q = strToFloat(r.mid(111, 13)) / 10000;
  } catch (const AppError&) {
    q = 0;
  }
  quantidade = formatAmount(q, 4, 14);
  // From 10 million on the thousands separators would push every column right: the quantity
  // keeps its 14 columns without them.
  if (quantidade.size() > 14) quantidade = formatFixed(q, 4, 14);
  if (const QByteArray f = r.mid(128, 11); !blank(f)) unitario = formatAmount(strToFloat(f) / 10000, 4, 12);
  if (const QByteArray f = r.mid(139, 11); !blank(f)) desconto = formatAmount(strToFloat(f) / 100, 2, 12);
  if (const QByteArray f = r.mid(150, 11); !blank(f)) acrescimo = formatAmount(strToFloat(f) / 100, 2, 12);
  if (const QByteArray f = r.mid(161, 11); !blank(f)) {
    totalItem = formatAmount(strToFloat(f) / 100, 2, 12);
    total_ += strToInt64(f);
  }
  quantidade = padLeft(quantidade, 14);
  unitario = padLeft(unitario, 14);
  desconto = padLeft(desconto, 14);
  acrescimo = padLeft(acrescimo, 14);
  totalItem = padLeft(totalItem, 14);
  const QByteArray marca = padRight(trimRight(r.mid(172, 10)), 10);
  const QByteArray unidade = padRight(trimRight(r.mid(124, 4)), 4);
  return marca + " " + quantidade + " " + unidade + " " + unitario + " " + desconto + " " + acrescimo + " " + totalItem;
}

void Printout::item(const QByteArray& r) {
  const QByteArray numero = r.mid(1, 4);
  const QByteArray codigo = r.mid(5, 6);
  const QByteArray descricao = trimRight(r.mid(11, 100));
  // Only the description decides how many lines an item takes.
  const QByteArray valores = contando_ ? QByteArray() : this->valores(r);

  for (qsizetype k = 0;; k += 29) {
    ++linha_;
    const bool primeira = k == 0;
    imp(linha_, 2,
        (primeira ? numero : QByteArray(4, ' ')) + " " + (primeira ? codigo : QByteArray(6, ' ')) + " " +
            descricao.mid(k, 29),
        kComp17);
    if (trimRight(descricao.mid(k + 29, 29)).isEmpty()) {
      imp(linha_, 27, valores, kComp17);
      ++linha_;
      imp(linha_, 2, separador_, kComp17);
      return;
    }
    if (linha_ >= 63) novaPagina();
  }
}

// The heading, the items and the grand total, from the response file's lines.
void Printout::paginas(const QList<QByteArray>& linhas) {
  p_.paginaTexto.clear();
  pagina_ = 0;
  total_ = 0;
  cabecalho();
  linha_ = 14;
  for (const QByteArray& l : linhas) {
    if (l.startsWith('I')) item(l);
    if (linha_ >= 63) novaPagina();
  }
  // The grand total is a count of cents: printed with every digit (at 12 significant digits
  // the cents of a total from 10 billion on would be rounded away).
  QByteArray texto = ": " + formatAmount(static_cast<long double>(total_) / 100, 2, 18);
  if (texto.size() < 14) texto = QByteArray(14 - texto.size(), '.') + texto;
  const QByteArray linhaTotal = "Total" + texto;
  // Column 69, or further left for a total that would run past the printer's line.
  const double largura = linhaTotal.size() / PassoImpresso(modelo_, 17);
  const int coluna = std::clamp(static_cast<int>(std::floor((kLinha - largura) * 10 + 1e-6)) + 1, 1, 69);
  ++linha_;
  imp(linha_, coluna, linhaTotal, kNegrito17);
}

bool Printout::monta() {
  // Refused before any window opens: the printout reads what "Gravar" wrote.
  requireSavedProposal(SaveTarget{p_.folder, p_.proposalFile, p_.identity}, p_.comoGravar);
  tx_.TamanhoQteColunas = 80;
  tx_.TamanhoQteLinhas = 66;
  tx_.OnModeloTrocado = nullptr;  // a former printout's
  // Another job still open would take this printout's items: stop instead.
  if (!tx_.Abrir()) return false;
  if (!tx_.Setup()) return false;
  try {
    coloca();
  } catch (...) {
    // The job is abandoned, so the next printout can open one.
    if (tx_.JobAberto()) tx_.Abortar();
    throw;
  }
  // Another model chosen later, in the preview's setup, has its own line: the printout is placed
  // again for it (lines laid out for a wider printer would run past a narrower one's).
  tx_.OnModeloTrocado = [p = p_](TTxPrint& tx) mutable {
    tx.Remontar();
    Printout(tx, p).coloca();
  };
  return true;
}

void Printout::coloca() {
  modelo_ = tx_.Impressora;
  // Ends where the printer's line ends (136 condensed dashes would wrap into a line of their own).
  separador_ = QByteArray(std::min(136, cabem(modelo_, 17, 2, kLinha)), '-');
  const QString arquivo = responseFilePath(p_);
  const QList<QByteArray> linhas = splitLines(readWholeFile(arquivo));
  for (int i = 0; i < 6; ++i) cabecalhoArquivo_.append(i < linhas.size() ? linhas[i] : QByteArray());
  // A job holds at most kTxMaximoPaginas pages: a longer printout is refused before anything
  // is placed, rather than printed without the items that do not fit.
  contando_ = true;
  paginas(linhas);
  contando_ = false;
  if (pagina_ > kTxMaximoPaginas)
    throw AppError(ErrorKind::Refused, arquivo,
                   "a impressão em texto precisaria de " + std::to_string(pagina_) + " páginas, mais que o limite de " +
                       std::to_string(kTxMaximoPaginas) + " páginas de uma impressão; use a impressão gráfica");
  paginas(linhas);
}

}  // namespace

void configuraTxPrint1(TTxPrint& tx) {
  tx.Impressora = TModelo::Epson;
  tx.PortaComunicacao = QStringLiteral("LPT1");
  tx.UsaGerenciadorImpr = true;
  tx.Acentuacao = TAcento::Transliterate;
  tx.TamanhoQteLinhas = 66;
  tx.TamanhoQteColunas = 80;
  tx.TamanhoQteLPP = TLinha::Seis;
  tx.FonteTamanhoPadrao = TSize::S10cpp;
  tx.FonteEstiloPadrao = 0;
  tx.Orientacao = QPageLayout::Portrait;
  tx.NumerodeCopias = 1;
  tx.PaginaInicial = 1;
  tx.PaginaFinal = 9999;
  tx.NumeroPaginaInicial = 1;
  tx.TestarPorta = false;
  tx.OpcoesPreview = TPreviewOptions();
  tx.OpcoesPreview.Preview = true;
  tx.CaptionSetup = QStringLiteral("Configurar Impressão");
  tx.ImpressoraPersonalizada = TCustom();
}

QString responseFilePath(const TextPrintout& p) {
  return responsePath(SaveTarget{p.folder, p.proposalFile, p.identity});
}

bool monta_licitacao(TTxPrint& tx, TextPrintout& p) { return Printout(tx, p).monta(); }

bool imprime_licitacao(TTxPrint& tx, TextPrintout& p) {
  if (!monta_licitacao(tx, p)) return false;
  tx.Fechar();
  return true;
}

}  // namespace cotavia
