#include "app/text_printout.h"

#include "app/amounts.h"
#include "app/proposal_file.h"
#include "app/supplier.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"

#include <QFileInfo>

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

class Printout {
 public:
  Printout(TTxPrint& tx, TextPrintout& p) : tx_(tx), p_(p) {}
  bool run();

 private:
  void cabecalho();
  void novaPagina();
  void item(const QByteArray& line);

  TTxPrint& tx_;
  TextPrintout& p_;
  int pagina_ = 0;
  int linha_ = 0;
  qint64 total_ = 0;
  QByteArray separador_;
  QList<QByteArray> cabecalhoArquivo_;  // the response file's first six lines
  bool fornecedorLido_ = false;
  QByteArray linha5_, linha6_;
};

void Printout::novaPagina() {
  tx_.NovaPagina();
  linha_ = 14;
  cabecalho();
}

void Printout::cabecalho() {
  tx_.ImpF(1, 25, cp("LICITAÇÃO - PROPOSTA ELETRÔNICA"), kNegrito10);
  ++pagina_;
  p_.paginaTexto = QByteArray::number(pagina_).rightJustified(4, '0');
  tx_.ImpF(1, 73, cp("Página: ") + p_.paginaTexto, kComp17);
  tx_.Box(4, 1, 12, 80, false);

  if (!fornecedorLido_) {
    // The supplier files do not change during a printout: read once, placed on every page.
    if (supplierDataExists(p_.folder)) {
      std::optional<QByteArray> id = readIdentityLine(p_.folder);
      if (!id && p_.identityGiven) id = padIdentity(p_.identity);
      if (!id) throw AppError(ErrorKind::NotFound, joinPath(p_.folder, kIdentityFileName), "File not found");
      const SupplierData s = readSupplierData(p_.folder);
      linha5_ = identityDisplay(*id) + "  -  " + s.name;
      linha6_ = s.address + " " + s.city;
    }
    fornecedorLido_ = true;
  }
  if (!linha5_.isEmpty()) {
    tx_.ImpF(5, 2, linha5_, kNegrito10);
    tx_.ImpF(6, 2, linha6_, kComp17);
  }

  auto centrado = [&](int linhaPagina, const QByteArray& registro, int inicio, TFonte fonte) {
    const qsizetype n = trimRight(registro).size();
    const QByteArray texto = registro.mid(inicio - 1, n);
    // A heading wider than the page starts at column 1 instead of a position left of it.
    const int coluna = std::max(1, 40 - static_cast<int>(texto.size() / 2));
    tx_.ImpF(linhaPagina, coluna, texto, fonte);
  };
  centrado(2, cabecalhoArquivo_[0], 6, kNegrito10);
  centrado(3, cabecalhoArquivo_[1], 2, kItalico10);
  for (int i = 2; i < 6; ++i) tx_.ImpF(6 + i, 2, cabecalhoArquivo_[i].mid(1, 135), kComp17);

  tx_.Box(12, 1, 14, 80, false);
  tx_.ImpF(13, 2,
           cp("Item Código Descrição                      Marca          Quantidade Unid       Pr.Unit.       "
              "Desconto      Acréscimo          Total"),
           kComp17);
}

void Printout::item(const QByteArray& r) {
  QByteArray quantidade, unitario, desconto, acrescimo, totalItem;
  long double q = 0;
  try {
    q = strToFloat(r.mid(111, 13)) / 10000;
  } catch (const AppError&) {
    q = 0;
  }
  quantidade = formatAmount(q, 4, 14);
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

  const QByteArray numero = r.mid(1, 4);
  const QByteArray codigo = r.mid(5, 6);
  const QByteArray descricao = trimRight(r.mid(11, 100));
  const QByteArray marca = padRight(trimRight(r.mid(172, 10)), 10);
  const QByteArray unidade = padRight(trimRight(r.mid(124, 4)), 4);
  const QByteArray valores =
      marca + " " + quantidade + " " + unidade + " " + unitario + " " + desconto + " " + acrescimo + " " + totalItem;

  for (qsizetype k = 0;; k += 29) {
    ++linha_;
    const bool primeira = k == 0;
    tx_.ImpF(linha_, 2,
             (primeira ? numero : QByteArray(4, ' ')) + " " + (primeira ? codigo : QByteArray(6, ' ')) + " " +
                 descricao.mid(k, 29),
             kComp17);
    if (trimRight(descricao.mid(k + 29, 29)).isEmpty()) {
      tx_.ImpF(linha_, 27, valores, kComp17);
      ++linha_;
      tx_.ImpF(linha_, 2, separador_, kComp17);
      return;
    }
    if (linha_ >= 63) novaPagina();
  }
}

bool Printout::run() {
  tx_.TamanhoQteColunas = 80;
  tx_.TamanhoQteLinhas = 66;
  // Another job still open would take this printout's items: stop instead.
  if (!tx_.Abrir()) return false;
  if (!tx_.Setup()) return false;
  try {
    p_.paginaTexto.clear();
    pagina_ = 0;
    total_ = 0;
    separador_ = QByteArray(136, '-');
    const QList<QByteArray> linhas = splitLines(readWholeFile(responseFilePath(p_)));
    for (int i = 0; i < 6; ++i) cabecalhoArquivo_.append(i < linhas.size() ? linhas[i] : QByteArray());
    cabecalho();
    linha_ = 14;
    for (const QByteArray& l : linhas) {
      if (l.startsWith('I')) item(l);
      if (linha_ >= 63) novaPagina();
    }
    QByteArray texto = ": " + formatAmount(static_cast<long double>(total_) / 100, 2, 12);
    if (texto.size() < 14) texto = QByteArray(14 - texto.size(), '.') + texto;
    ++linha_;
    tx_.ImpF(linha_, 69, "Total" + texto, kNegrito17);
  } catch (...) {
    // The job is abandoned, so the next printout can open one.
    if (TTxPrint::JobAberto()) tx_.Abortar();
    throw;
  }
  tx_.Fechar();
  return true;
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
  return joinPath(p.folder, responseFileName(p.identity, p.proposalFile));
}

bool imprime_licitacao(TTxPrint& tx, TextPrintout& p) { return Printout(tx, p).run(); }

}  // namespace cotavia
