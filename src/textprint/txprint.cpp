#include "textprint/txprint.h"

#include "platform/codepage.h"
#include "platform/cups.h"
#include "textprint/txitem.h"
#include "textprint/txstate.h"

#include <algorithm>

namespace cotavia {

namespace {

const QString kPosicaoInvalida = QStringLiteral("IMPRESSÃO: Posição de Impressão inválida, Linha/Coluna devem ser > 0");
const QString kLimiteInvalido =
    QStringLiteral("IMPRESSÃO: Posição de Impressão inválida, Página até 9999, Linha/Coluna até 999");
const QString kBoxInvalido = QStringLiteral("IMPRESSÃO: Parâmetros inválidos para BOX...");

// Port of the system's current printer (a CUPS queue; empty = the default destination).
QString portaDaImpressora(const QString& fila) {
  const QString nome = fila.isEmpty() ? cups::defaultDestination() : fila;
  if (nome.isEmpty()) return {};
  for (const auto& d : cups::destinations())
    if (d.name == nome) return PortaPadrao(cups::portOf(d));
  return {};
}

}  // namespace

// ---- Job state ----

void TxJobState::insere(const QByteArray& item) {
  if (itens.isEmpty() || !(item < itens.last())) {
    itens.append(item);
    return;
  }
  auto it = std::upper_bound(itens.begin(), itens.end(), item);
  itens.insert(it, item);
}

void TxJobState::insereTodos(QList<QByteArray> novos) {
  std::stable_sort(novos.begin(), novos.end());
  if (itens.isEmpty()) {
    itens = std::move(novos);
    return;
  }
  const qsizetype meio = itens.size();
  itens.append(novos);
  std::inplace_merge(itens.begin(), itens.begin() + meio, itens.end());
}

qsizetype TxJobState::inicioPagina(int pagina) const {
  const QByteArray chave = MontaItem(pagina, 0, 0, 0, ' ', {}).left(4);
  auto it = std::lower_bound(itens.begin(), itens.end(), chave);
  return it - itens.begin();
}

// ---- Free helpers ----

TModelo ModeloPelaImpressora(const QString& nome, TModelo atual) {
  const QString n = nome.toUpper();
  auto any = [&](std::initializer_list<const char*> words) {
    for (const char* w : words)
      if (n.contains(QString::fromUtf8(w))) return true;
    return false;
  };
  if (any({"EPSON", "GRAFIX", "GENERIC", "GENÉRICO", "GENéRICO", "GENERICO"})) return TModelo::Epson;
  if (any({"RIMA", "EMILIA"})) return TModelo::Rima;
  if (any({"HP", "DESKJET"})) return TModelo::HP;
  if (any({"GRAFICO", "GRÁFICO"})) return TModelo::Grafico;
  if (any({"PERSONAL", "ESPECIAL"})) return TModelo::Personalizado;
  return atual;
}

QString PortaPadrao(const QString& porta) { return porta.contains("LPT") ? porta.left(4) : porta; }

// ---- Headless windows ----

bool HeadlessTxPrintUi::mostraSetup(TTxPrint& tx, TxSetupValues& values) {
  return decideSetup ? decideSetup(tx, values) : true;
}
void HeadlessTxPrintUi::mostraPreview(TTxPrint& tx) {
  if (aoMostrarPreview) aoMostrarPreview(tx);
}
void HeadlessTxPrintUi::iniciaProgresso(TTxPrint&, const QString& caption, const QString& title, qint64 maximum) {
  progressos.append({caption, title, maximum, 0});
}
void HeadlessTxPrintUi::avancaProgresso(TTxPrint& tx) {
  if (progressos.isEmpty()) return;
  ++progressos.last().passos;
  if (cancelaAposPassos >= 0 && progressos.last().passos >= cancelaAposPassos) tx.Cancelar();
}
void HeadlessTxPrintUi::terminaProgresso(TTxPrint&) {}
void HeadlessTxPrintUi::mostraAviso(TTxPrint&, const QString& text) { avisos.append(text); }
bool HeadlessTxPrintUi::perguntaRepetir(TTxPrint&, const QString&) {
  if (respostasRepetir > 0) {
    --respostasRepetir;
    return true;
  }
  return false;
}

// ---- TTxPrint ----

TTxPrint::TTxPrint() : CorForm(0xF0, 0xF0, 0xF0), job_(std::make_unique<TxJobState>()) {}
TTxPrint::~TTxPrint() = default;

TxPrintUi& TTxPrint::ui() { return ui_ ? *ui_ : semJanelas_; }

bool TTxPrint::erro(const AppError& e) {
  if (!OnErro) throw e;
  OnErro(*this, userMessage(e));
  return false;
}

void TTxPrint::registra(AppError e) {
  if (!falha_) falha_ = std::move(e);
}

bool TTxPrint::entregaFalha(bool ok) {
  if (!falha_) return ok;
  const AppError e = std::move(*falha_);
  falha_.reset();
  return erro(e);
}

void TTxPrint::fireBeforeNewPageIfPending() {
  if (!ultimaPendente_) return;
  if (OnBeforeNewPage) OnBeforeNewPage(*this, job_->paginaAtual);
  ultimaPendente_ = false;
}

QString TTxPrint::nomeDeGravacao(const QString& arquivo) {
  fireBeforeNewPageIfPending();
  QString nome = arquivo;
  if (OnSave) OnSave(*this, nome);
  return nome;
}

bool TTxPrint::JobAberto() const { return job_->aberto; }
bool TTxPrint::PreviewAtivo() const { return job_->previewAtivo; }
int TTxPrint::PaginaAtual() const { return job_->paginaAtual; }
const QList<QByteArray>& TTxPrint::Itens() const { return job_->itens; }
int TTxPrint::PaginaInicialTrabalho() const { return job_->pagIni; }
int TTxPrint::PaginaFinalTrabalho() const { return job_->pagFim; }
int TTxPrint::CopiasTrabalho() const { return job_->copias; }
const Sequencias& TTxPrint::SequenciasAtuais() const { return job_->seq; }
bool TTxPrint::Cancelado() const { return job_->cancelado; }
void TTxPrint::Cancelar(bool on) { job_->cancelado = on; }

void TTxPrint::MontaSequencias() {
  job_->seq = cotavia::MontaSequencias(Impressora, TamanhoQteLinhas, TamanhoQteLPP, FonteTamanhoPadrao,
                                       FonteEstiloPadrao, ImpressoraPersonalizada);
}

bool TTxPrint::Abrir() {
  TxJobState& st = *job_;
  if (PortaComunicacao.isEmpty()) PortaComunicacao = portaDaImpressora(ImpressoraSistema);
  if (UsaGerenciadorImpr) TestarPorta = false;
  st.paginaAtual = NumeroPaginaInicial;
  st.pagIni = PaginaInicial;
  st.pagFim = PaginaFinal;
  st.copias = NumerodeCopias;
  if (st.aberto) return erro(erroTx(QStringLiteral("Erro #01 - (ABRIR) Relatório já foi aberto...")));
  st.aberto = true;
  st.abortado = false;
  st.previewAtivo = false;
  st.itens.clear();
  MontaSequencias();
  if (OnNewPage) OnNewPage(*this, st.paginaAtual);
  ultimaPendente_ = true;
  return true;
}

TxSetupValues TTxPrint::ValoresSetup() const {
  const TxJobState& st = *job_;
  TxSetupValues v;
  v.impressoraSistema = ImpressoraSistema;
  v.modelo = Impressora;
  v.paginaInicial = st.pagIni;
  v.paginaFinal = st.pagFim;
  v.copias = st.copias;
  v.preview = OpcoesPreview.Preview;
  return v;
}

void TTxPrint::AplicaSetup(const TxSetupValues& v) {
  TxJobState& st = *job_;
  ImpressoraSistema = v.impressoraSistema;
  if (const QString porta = portaDaImpressora(ImpressoraSistema); !porta.isEmpty()) PortaComunicacao = porta;
  Impressora = v.modelo;
  st.pagIni = v.paginaInicial;
  st.pagFim = v.paginaFinal;
  st.copias = v.copias;
  OpcoesPreview.Preview = v.preview;
  MontaSequencias();
}

bool TTxPrint::Setup() {
  if (!job_->aberto) return erro(erroTx(QStringLiteral("Erro #05 - (SETUP) Relatório não foi aberto...")));
  TxSetupValues v = ValoresSetup();
  if (ui().mostraSetup(*this, v)) {
    TxJobState& st = *job_;
    const TModelo antes = Impressora;
    const QList<QByteArray> itens = st.itens;
    const int pagina = st.paginaAtual;
    AplicaSetup(v);
    if (Impressora != antes && OnModeloTrocado) {
      try {
        OnModeloTrocado(*this);
      } catch (...) {
        st.itens = itens;
        st.paginaAtual = pagina;
        Impressora = antes;
        MontaSequencias();
        throw;
      }
    }
    return true;
  }
  Abortar();
  return false;
}

bool TTxPrint::ImpF(int Linha, int Coluna, const QByteArray& Texto, TFonte Fonte) {
  TxJobState& st = *job_;
  if (Linha < 1 || Coluna < 1) throw erroTx(kPosicaoInvalida);
  if (Fonte.empty()) Fonte = st.seq.fontePadrao;
  if (!st.aberto) return erro(erroTx(QStringLiteral("Erro #06 - (IMP/IMPF) Relatório não foi aberto...")));
  // Keys are fixed-width: a larger number would break the order of the whole list.
  if (Linha > 999 || Coluna > 999 || st.paginaAtual < 0 || st.paginaAtual > 9999) throw erroTx(kLimiteInvalido);
  if (!Texto.isEmpty()) st.insere(MontaItem(st.paginaAtual, Linha, Coluna, Fonte.atributo(), 'T', Texto));
  return true;
}

void TTxPrint::Box(int LinhaInicial, int ColunaInicial, int LinhaFinal, int ColunaFinal, bool Duplo) {
  TxJobState& st = *job_;
  if (!(LinhaInicial < LinhaFinal && LinhaInicial >= 1 && LinhaFinal >= 1 && ColunaFinal > ColunaInicial))
    throw erroTx(kBoxInvalido);
  if (!st.aberto) return;
  if (ColunaInicial < 1 || LinhaFinal > 999 || ColunaFinal > 999 || st.paginaAtual < 0 || st.paginaAtual > 9999)
    throw erroTx(ColunaInicial < 1 ? kBoxInvalido : kLimiteInvalido);
  const QByteArray h(ColunaFinal - ColunaInicial - 1, Duplo ? '=' : '-');
  const int p = st.paginaAtual;
  st.insere(MontaItem(p, LinhaInicial, ColunaInicial, 0, 'B', (Duplo ? "A" : "a") + h + (Duplo ? "B" : "b")));
  st.insere(MontaItem(p, LinhaFinal, ColunaInicial, 0, 'B', (Duplo ? "D" : "d") + h + (Duplo ? "C" : "c")));
  const QByteArray v = Duplo ? "I" : "i";
  for (int l = LinhaInicial + 1; l < LinhaFinal; ++l) {
    st.insere(MontaItem(p, l, ColunaInicial, 0, 'B', v));
    st.insere(MontaItem(p, l, ColunaFinal, 0, 'B', v));
  }
}

void TTxPrint::Remontar() {
  TxJobState& st = *job_;
  if (!st.aberto) return;
  st.itens.clear();
  st.paginaAtual = NumeroPaginaInicial;
  if (OnNewPage) OnNewPage(*this, st.paginaAtual);
}

int TTxPrint::NovaPagina() {
  TxJobState& st = *job_;
  if (!st.aberto) {
    erro(erroTx(QStringLiteral("Erro #04 - (NOVA PAGINA) Relatório não foi aberto...")));
    return -1;
  }
  if (OnBeforeNewPage) OnBeforeNewPage(*this, st.paginaAtual);
  ++st.paginaAtual;
  if (OnNewPage) OnNewPage(*this, st.paginaAtual);
  ultimaPendente_ = true;
  return st.paginaAtual;
}

bool TTxPrint::Fechar() {
  TxJobState& st = *job_;
  if (st.abortado) return true;
  if (!st.aberto) {
    st.previewAtivo = false;
    return erro(erroTx(QStringLiteral("Erro #02 - (FECHAR) Relatório não foi aberto...")));
  }
  if (OnBeforeNewPage) OnBeforeNewPage(*this, st.paginaAtual);
  ultimaPendente_ = false;
  // The job is closed however the preview or the print run ends (an error thrown included).
  struct Fecha {
    TxJobState& st;
    ~Fecha() {
      if (!st.abortado) st.itens.clear();
      st.aberto = false;
      st.previewAtivo = false;
    }
  } fecha{st};
  if (OpcoesPreview.Preview)
    Visualizar();
  else
    Imprimir(QString());
  return true;
}

bool TTxPrint::Abortar() {
  TxJobState& st = *job_;
  const bool aberto = st.aberto;
  if (aberto) st.itens.clear();
  st.aberto = false;
  st.abortado = true;
  if (OnCancel) OnCancel(*this);
  return aberto || erro(erroTx(QStringLiteral("Erro #08 - (ABORTAR) Relatório não foi aberto...")));
}

int TTxPrint::UltimaPagina() const {
  const TxJobState& st = *job_;
  if (st.itens.isEmpty()) return 9999;
  const int p = PaginaDoItem(st.itens.last());
  return p < 0 ? 9999 : p;
}

void TTxPrint::Visualizar() {
  if (OnPreview) OnPreview(*this);
  job_->previewAtivo = true;
  ui().mostraPreview(*this);
  job_->previewAtivo = false;
}

}  // namespace cotavia
