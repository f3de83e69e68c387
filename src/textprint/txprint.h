#pragma once
// TTxPrint: a print job laid out as characters on a grid of lines and columns, held as one
// sorted list of fixed-key text lines, turned into printer bytes for a printer model and sent
// raw to a CUPS queue, to a port or file, or drawn on a QPrinter (Grafico model).
//
// The engine is headless. It shows its windows (setup, preview, progress, the port prompt, its
// notes) through TxPrintUi; HeadlessTxPrintUi confirms setup with the current values, shows no
// preview and no progress. It never shows a box itself: a call that fails throws AppError (kind
// TextPrint with the engine's own text, or Printer when the spooler refused the job), or hands
// the text to OnErro when that is assigned; the caller's window shows it.
#include "platform/error.h"
#include "textprint/txmodels.h"
#include "textprint/txtypes.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPageLayout>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QPainter;
class QPicture;

namespace cotavia {

class AtomicFile;
class TTxPrint;
struct TxJobState;

// Values the setup window shows and, when confirmed, gives back.
struct TxSetupValues {
  QString impressoraSistema;  // chosen CUPS queue; empty = the default destination
  TModelo modelo = TModelo::Epson;
  int paginaInicial = 1;  // 1..9999 means "Tudo"
  int paginaFinal = 9999;
  int copias = 1;
  bool preview = false;
};

// The engine's windows. Every call comes from the engine, on the GUI thread.
class TxPrintUi {
 public:
  virtual ~TxPrintUi() = default;
  // Setup window over the open job, filled from `values` (tx.PreviewAtivo(): hide the cancel
  // button). Returns true when confirmed, with the chosen values written into `values`.
  virtual bool mostraSetup(TTxPrint& tx, TxSetupValues& values) = 0;
  // Preview window, modal: returns when it is closed. The job stays open meanwhile.
  virtual void mostraPreview(TTxPrint& tx) = 0;
  // Progress window: caption "Imprimindo", "Gravando" or "Lendo"; title the job title or file
  // name; gauge maximum. The program's other windows are disabled until terminaProgresso.
  virtual void iniciaProgresso(TTxPrint& tx, const QString& caption, const QString& title, qint64 maximum) = 0;
  // Advance the gauge by one, repaint and let pending events run. The window's cancel button,
  // once confirmed, calls tx.Cancelar().
  virtual void avancaProgresso(TTxPrint& tx) = 0;
  virtual void terminaProgresso(TTxPrint& tx) = 0;
  // Let pending events run (between items of a page).
  virtual void processaEventos() {}
  // The port test failed: show the status message with Abort and Retry; true means Retry.
  virtual bool perguntaRepetir(TTxPrint& tx, const QString& status) = 0;
  // A note that is no failure: a save cancelled by the user, a job file whose item count does
  // not match its control record.
  virtual void mostraAviso(TTxPrint& tx, const QString& text) = 0;
};

// Confirms setup with the current values, shows no preview (runs `aoMostrarPreview` when set, as
// a user acting in the preview would), shows no progress, answers Abort to the port prompt.
class HeadlessTxPrintUi : public TxPrintUi {
 public:
  bool mostraSetup(TTxPrint& tx, TxSetupValues& values) override;
  void mostraPreview(TTxPrint& tx) override;
  void iniciaProgresso(TTxPrint& tx, const QString& caption, const QString& title, qint64 maximum) override;
  void avancaProgresso(TTxPrint& tx) override;
  void terminaProgresso(TTxPrint& tx) override;
  bool perguntaRepetir(TTxPrint& tx, const QString& status) override;
  void mostraAviso(TTxPrint& tx, const QString& text) override;

  std::function<bool(TTxPrint&, TxSetupValues&)> decideSetup;  // when set, decides the setup
  std::function<void(TTxPrint&)> aoMostrarPreview;
  int cancelaAposPassos = -1;  // >= 0: cancel the run after that many gauge steps
  // Record of the progress windows shown: caption, title, maximum, steps made.
  struct Progresso {
    QString legenda, titulo;
    qint64 maximo = 0;
    qint64 passos = 0;
  };
  QList<Progresso> progressos;
  int respostasRepetir = 0;  // number of Retry answers before Abort
  QStringList avisos;        // the notes, in order
};

class TTxPrint {
 public:
  TTxPrint();
  ~TTxPrint();
  TTxPrint(const TTxPrint&) = delete;
  TTxPrint& operator=(const TTxPrint&) = delete;

  // ---- Properties (constructor defaults) ----
  TCustom ImpressoraPersonalizada;
  TPreviewOptions OpcoesPreview;
  TAcento Acentuacao = TAcento::Transliterate;
  QString CaptionSetup = QStringLiteral("Configurar Impressão");
  QByteArray TitulodoRelatorio;     // Windows-1252: spooler document name, progress title, job file
  bool UsaGerenciadorImpr = false;  // true: CUPS raw job; false: PortaComunicacao written directly
  QColor CorForm;                   // button-face colour
  QColor CorFonte = Qt::black;
  TModelo Impressora = TModelo::Epson;
  QString PortaComunicacao = QStringLiteral("LPT1");  // device or file; LPT1..LPT4 mean /dev/lp0..3
  bool TestarPorta = true;
  int TamanhoQteLinhas = 66;
  int TamanhoQteColunas = 80;
  TLinha TamanhoQteLPP = TLinha::Seis;
  int NumeroPaginaInicial = 1;
  int PaginaInicial = 1;
  int PaginaFinal = 9999;
  int NumerodeCopias = 1;
  TSize FonteTamanhoPadrao = TSize::S10cpp;
  TStyle FonteEstiloPadrao = 0;
  QPageLayout::Orientation Orientacao = QPageLayout::Portrait;
  // The system's current printer: a CUPS queue; empty means the CUPS default destination.
  QString ImpressoraSistema;
  // The folder the preview's save and open choosers start in (the proposal's folder); empty: the
  // working folder.
  QString PastaArquivos;

  // ---- Events (unset ones are skipped) ----
  // The engine's errors (the numbered "Erro #0n" texts, a port or file that cannot be written,
  // the spooler's refusal): when assigned it receives the text and the call returns its failure
  // value; unassigned, the call throws the error.
  std::function<void(TTxPrint&, const QString& Mensagem)> OnErro;
  std::function<void(TTxPrint&, int Pagina)> OnNewPage;
  std::function<void(TTxPrint&, int Pagina)> OnBeforeNewPage;
  std::function<void(TTxPrint&, bool& Continuar)> OnBeforePrint;
  std::function<void(TTxPrint&)> OnAfterPrint;
  std::function<void(TTxPrint&)> OnCancel;
  std::function<void(TTxPrint&, QString& ArquivoLocal)> OnSave;
  std::function<void(TTxPrint&, QString& ArquivoLocal)> OnLoad;
  std::function<void(TTxPrint&)> OnPreview;
  // Setup changed the printer model of the job already placed (the preview's SETUP): the owner
  // places the items again for the new model's line (Remontar, then ImpF...), so no line runs
  // past the new printer's. Should it throw, the job, the model and the sequences are put back
  // as they were and the error goes on to Setup's caller.
  std::function<void(TTxPrint&)> OnModeloTrocado;

  // The windows; not owned. Without one, the engine's own HeadlessTxPrintUi is used.
  void setUi(TxPrintUi* ui) { ui_ = ui; }
  TxPrintUi& ui();

  // ---- Job ----
  bool Abrir();
  bool Setup();
  // The open job emptied to be placed again: no item, the page count back to its start; the
  // working range, copies and model stay.
  void Remontar();
  bool ImpF(int Linha, int Coluna, const QByteArray& Texto, TFonte Fonte = {});
  void Box(int LinhaInicial, int ColunaInicial, int LinhaFinal, int ColunaFinal, bool Duplo);
  int NovaPagina();
  bool Fechar();
  bool Abortar();
  // Page number of the last item; 9999 when the list is empty.
  int UltimaPagina() const;

  // ---- Output ----
  // Print run; an empty name prints, a file name writes the printer bytes to that file.
  // True when the run went to its end (false: stopped, failed or cancelled).
  bool Imprimir(const QString& ArquivoLocal = {});
  bool TestaImpressora(const QString& Porta);
  QString MensagemStatus() const { return status_; }
  // The preview's "save as printer file".
  bool GravarImpressao(const QString& ArquivoLocal);

  // ---- Job file and text export ----
  bool GravarRelatorio(const QString& ArquivoLocal);
  bool LerRelatorio(const QString& ArquivoLocal);
  bool GravarTexto(const QString& ArquivoLocal);

  // ---- Preview ----
  // Fires OnPreview and shows the preview window (modal) through the UI.
  void Visualizar();
  // Size of a page picture in units (one character cell is 8 x 16): with preview true it
  // includes the border (or the side strips with OpcoesPreview.Remalina).
  QSize TamanhoFigura(bool preview) const;
  // Draws one page with the painter, whose coordinates are picture units (0,0 = top left of the
  // picture, size TamanhoFigura(preview)). With preview false (printer) each item advances the
  // progress gauge and a cancel ends the drawing: the result is false then.
  bool DesenhaPagina(int pagina, QPainter& painter, bool preview);
  // Records the page into a picture of TamanhoFigura(preview) units.
  bool DesenhaPagina(int pagina, QPicture& picture, bool preview);

  // ---- Job state (each engine holds its own job) ----
  bool JobAberto() const;
  bool PreviewAtivo() const;
  int PaginaAtual() const;
  // The item list, sorted ascending.
  const QList<QByteArray>& Itens() const;
  // Working page range and copies (from the properties at Abrir, changed by Setup).
  int PaginaInicialTrabalho() const;
  int PaginaFinalTrabalho() const;
  int CopiasTrabalho() const;
  // The current sequence set and default font.
  const Sequencias& SequenciasAtuais() const;
  // Rebuilds the sequence set for Impressora, TamanhoQteLinhas and TamanhoQteLPP.
  void MontaSequencias();

  // Setup: the values to show, and applying confirmed ones (model, preview, range, copies,
  // system printer and its port; the sequence set is rebuilt).
  TxSetupValues ValoresSetup() const;
  void AplicaSetup(const TxSetupValues& v);

  // Cancel flag of the running print, save or load (set by the progress window).
  bool Cancelado() const;
  void Cancelar(bool on = true);

 private:
  friend class TxOutput;
  // Hands `e` to OnErro and returns false, or throws it when OnErro is not assigned.
  bool erro(const AppError& e);
  // Keeps the first error of a print run; the run delivers it (erro) once its output is closed.
  void registra(AppError e);
  bool entregaFalha(bool ok);
  void fireBeforeNewPageIfPending();
  // The file a save writes: the last page's event first, then OnSave may change the name; empty
  // when there is nothing to write to.
  QString nomeDeGravacao(const QString& arquivo);
  // Opens `f` for an atomic save; throws the engine's error saying why it cannot be created.
  void abreGravacao(AtomicFile& f);
  // Gauge step; true when the operation must stop: cancelled, or (print runs) aborted.
  bool passo(bool impressao = true);
  bool abreSaida(const QString& arquivo);
  bool imprimePagina();
  bool imprimePaginaGrafica();
  bool fechaSaida();

  TxPrintUi* ui_ = nullptr;
  HeadlessTxPrintUi semJanelas_;
  std::unique_ptr<TxJobState> job_;
  bool ultimaPendente_ = false;
  bool continuar_ = true;
  QString status_;
  QString arquivo_;
  struct Run;
  Run* run_ = nullptr;
  std::optional<AppError> falha_;
};

// Model chosen for a system printer name by the setup window's rule (EPSON/GENERIC..., RIMA,
// HP, GRAFICO, PERSONAL/ESPECIAL); `atual` when no rule matches.
TModelo ModeloPelaImpressora(const QString& nome, TModelo atual);
// Port of a system printer by the "LPT" rule: the first four characters when the port name
// contains "LPT", otherwise the whole name.
QString PortaPadrao(const QString& porta);

}  // namespace cotavia
