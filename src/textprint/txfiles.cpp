// Job file (.RTX) and text export (.TXT).
#include "platform/codepage.h"
#include "platform/files.h"
#include "textprint/txitem.h"
#include "textprint/txprint.h"
#include "textprint/txstate.h"

#include <QFileInfo>

#include <optional>

namespace cotavia {

namespace {

QString erroAbertura(const QString& nome) {
  return QStringLiteral("Erro na abertura do arquivo...\r\rArquivo: ") + nome;
}
QString erroGravacao(const QString& nome) {
  return QStringLiteral("Erro na gravaçao do arquivo...\r\rArquivo: ") + nome;
}
// What the system said, under the message ("sem espaço no disco", "é um link simbólico...").
QString motivo(const AppError& e) { return QStringLiteral("\r\r") + QString::fromStdString(e.detail()); }
constexpr qint64 kTamanhoMaximo = 512LL * 1024 * 1024;
const QString kFormatoInvalido = QStringLiteral("Formato do arquivo é inválido...");

// A line break inside a text would split the line of the file: it is written as a blank.
QByteArray semQuebras(QByteArray t) {
  for (char& c : t)
    if (c == '\r' || c == '\n') c = ' ';
  return t;
}

QByteArray numero6(int v) { return QByteArray::number(v).rightJustified(6, '0'); }

bool leNumero(const QByteArray& linha, int& out, int minimo, int maximo) {
  bool ok = false;
  const QByteArray t = linha.trimmed();
  if (t.isEmpty()) return false;
  for (char c : t)
    if (c < '0' || c > '9') return false;
  const long long v = t.toLongLong(&ok);
  if (!ok || v < minimo || v > maximo) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

void TTxPrint::abreGravacao(AtomicFile& f) {
  try {
    f.create();
  } catch (const AppError& e) {
    throw erroTx(erroAbertura(f.path()) + motivo(e), f.path());
  }
}

bool TTxPrint::GravarRelatorio(const QString& ArquivoLocal) {
  const QString nome = nomeDeGravacao(ArquivoLocal);
  if (nome.isEmpty()) return false;
  TxJobState& st = *job_;
  AtomicFile f(nome);
  abreGravacao(f);
  QByteArray controle;
  controle += kIdRelatorio;
  controle += "\r\n";
  controle += toCp1252(QStringLiteral("<< ESTE  ARQUIVO NÃO DEVE SER EDITADO >>")) + "\r\n";
  controle += numero6(static_cast<int>(st.itens.size())) + "\r\n";
  controle += semQuebras(TitulodoRelatorio) + "\r\n";
  controle += numero6(TamanhoQteLinhas) + "\r\n";
  controle += numero6(TamanhoQteColunas) + "\r\n";
  controle += (TamanhoQteLPP == TLinha::Seis ? "6" : "8");
  controle += "\r\n";
  static const char* const kTam[] = {"F05", "F10", "F12", "F17", "F20"};
  controle += kTam[static_cast<int>(FonteTamanhoPadrao)];
  controle += "\r\n";
  if (FonteEstiloPadrao & Snegrito) controle += 'N';
  if (FonteEstiloPadrao & Sitalico) controle += 'I';
  if (FonteEstiloPadrao & Ssublinhado) controle += 'S';
  controle += "\r\n";
  try {
    f.writeAll(controle);
  } catch (const AppError& e) {
    throw erroTx(QStringLiteral("Erro na gravação do Registro de Controle...") + motivo(e), nome);
  }

  ui().iniciaProgresso(*this, QStringLiteral("Gravando"), nome, st.itens.size());
  st.cancelado = false;
  bool cancelado = false;
  std::optional<AppError> falha;
  try {
    for (const QByteArray& item : st.itens) {
      if (passo(false)) {
        cancelado = true;
        break;
      }
      f.writeAll(semQuebras(item));
      f.writeAll("\r\n", 2);
    }
    if (!cancelado) f.commit();
  } catch (const AppError& e) {
    falha = e;
  }
  ui().terminaProgresso(*this);
  if (cancelado) {
    // A cancelled save keeps the file that was there.
    f.cancel();
    ui().mostraAviso(*this, QStringLiteral("Gravação cancelada: o arquivo não foi gravado.\r\rArquivo: ") + nome);
    return false;
  }
  if (falha) throw erroTx(erroGravacao(nome) + motivo(*falha), nome);
  return true;
}

bool TTxPrint::LerRelatorio(const QString& ArquivoLocal) {
  QString nome = ArquivoLocal;
  if (OnLoad) OnLoad(*this, nome);
  if (nome.isEmpty()) return false;
  TxJobState& st = *job_;

  // Only a regular file of a sensible size is read (a device or a huge file would never end).
  if (QFileInfo(nome).size() > kTamanhoMaximo) throw erroTx(erroAbertura(nome), nome);
  QByteArray conteudo;
  try {
    conteudo = readWholeFile(nome);
  } catch (const AppError&) {
    throw erroTx(erroAbertura(nome), nome);
  }
  const QList<QByteArray> linhas = splitLines(conteudo);
  auto invalido = [&](int linha) -> bool {
    throw erroTx(kFormatoInvalido + QStringLiteral("\r\rArquivo: %1, linha %2").arg(nome).arg(linha), nome);
  };

  // Everything is checked before anything changes: a refused file leaves the job as it was.
  if (linhas.isEmpty() || linhas[0] != kIdRelatorio) return invalido(1);
  if (linhas.size() < 9) return invalido(static_cast<int>(linhas.size()) + 1);
  int quantidade = 0, nLinhas = 0, nColunas = 0;
  if (!leNumero(linhas[2], quantidade, 0, 99999999)) return invalido(3);
  if (!leNumero(linhas[4], nLinhas, 1, 999)) return invalido(5);
  if (!leNumero(linhas[5], nColunas, 1, 999)) return invalido(6);
  QList<QByteArray> itens;
  int fim = 9;
  for (; fim < linhas.size() && !linhas[fim].isEmpty(); ++fim) {
    TxItem it;
    if (!LeItem(linhas[fim], it)) return invalido(fim + 1);
  }

  TitulodoRelatorio = linhas[3];
  TamanhoQteLinhas = nLinhas;
  TamanhoQteColunas = nColunas;
  TamanhoQteLPP = linhas[6] == "6" ? TLinha::Seis : TLinha::Oito;
  const QByteArray& tam = linhas[7];
  if (tam == "F05")
    FonteTamanhoPadrao = TSize::S05cpp;
  else if (tam == "F10")
    FonteTamanhoPadrao = TSize::S10cpp;
  else if (tam == "F12")
    FonteTamanhoPadrao = TSize::S12cpp;
  else if (tam == "F17")
    FonteTamanhoPadrao = TSize::S17cpp;
  else if (tam == "F20")
    FonteTamanhoPadrao = TSize::S20cpp;
  FonteEstiloPadrao = 0;
  if (linhas[8].contains('N')) FonteEstiloPadrao |= Snegrito;
  if (linhas[8].contains('I')) FonteEstiloPadrao |= Sitalico;
  if (linhas[8].contains('S')) FonteEstiloPadrao |= Ssublinhado;

  st.itens.clear();
  QList<QByteArray> lidos;
  lidos.reserve(fim - 9);
  ui().iniciaProgresso(*this, QStringLiteral("Lendo"), nome, quantidade);
  st.cancelado = false;
  for (int i = 9; i < fim; ++i) {
    lidos.append(linhas[i]);
    ui().processaEventos();
    ui().avancaProgresso(*this);
    if (st.cancelado) {
      if (OnCancel) OnCancel(*this);
      break;
    }
  }
  st.insereTodos(std::move(lidos));  // one sort, whatever the order of the file
  ui().terminaProgresso(*this);
  if (st.itens.size() != quantidade)
    ui().mostraAviso(*this, QStringLiteral("Impressão: Erro no controle, relatório pode causar erro"));
  MontaSequencias();
  return true;
}

bool TTxPrint::GravarTexto(const QString& ArquivoLocal) {
  const QString nome = nomeDeGravacao(ArquivoLocal);
  if (nome.isEmpty()) return false;
  TxJobState& st = *job_;
  AtomicFile f(nome);
  abreGravacao(f);
  ui().iniciaProgresso(*this, QStringLiteral("Gravando"), nome, st.itens.size());
  st.cancelado = false;
  QByteArray out;
  out.reserve(st.itens.size() * 40);
  int pagina = 1, linha = 1;
  QByteArray buf;
  auto escreve = [&](const QByteArray& l) {
    out += l;
    out += "\r\n";
  };
  bool cancelado = false;
  for (const QByteArray& item : st.itens) {
    if (passo(false)) {
      cancelado = true;
      break;
    }
    TxItem it;
    if (!LeItem(item, it)) continue;
    QByteArray t;
    if (it.tipo == 'B')
      t = CaracteresBox(it.texto);
    else if (it.tipo != 'C')
      t = TrataAcento(it.texto, Acentuacao, Impressora);
    if (it.pagina != pagina) {
      escreve(buf);
      for (int i = linha; i < TamanhoQteLinhas; ++i) escreve({});
      pagina = it.pagina;
      linha = 1;
      buf.clear();
    }
    if (it.linha != linha) {
      escreve(buf);
      for (int i = linha + 1; i < it.linha; ++i) escreve({});
      linha = it.linha;
      buf.clear();
    }
    if (buf.size() < it.coluna - 1)
      buf.append(it.coluna - 1 - buf.size(), ' ');
    else
      buf.truncate(it.coluna - 1);
    buf += t;
  }
  escreve(buf);
  ui().terminaProgresso(*this);
  if (cancelado) {
    f.cancel();
    ui().mostraAviso(*this, QStringLiteral("Gravação cancelada: o arquivo não foi gravado.\r\rArquivo: ") + nome);
    return false;
  }
  try {
    f.writeAll(out);
    f.commit();
  } catch (const AppError& e) {
    throw erroTx(erroGravacao(nome) + motivo(e), nome);
  }
  return true;
}

}  // namespace cotavia
