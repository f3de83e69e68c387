// Print runs: the job's pages as printer bytes to a CUPS raw job, a port or a file, or drawn on
// a QPrinter for the Grafico model.
#include "platform/codepage.h"
#include "platform/cups.h"
#include "platform/error.h"
#include "platform/files.h"
#include "textprint/txitem.h"
#include "textprint/txprint.h"
#include "textprint/txstate.h"

#include <fcntl.h>
#include <unistd.h>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>

#if __has_include(<linux/ppdev.h>)
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#define COTAVIA_HAVE_PPDEV 1
#endif

namespace cotavia {

namespace {

// The I/O error number of a failed open or write, in the numbering of the runtime's file
// errors where one matches (path not found, access denied, disk write error).
int ioErrorNumber(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return 3;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBUSY:
      return 5;
    case ENOSPC:
      return 101;
    case 0:
      return 5;
    default:
      return err;
  }
}

// LPT1..LPT4 name the parallel printers /dev/lp0../dev/lp3; anything else is a path.
QString caminhoDaPorta(const QString& porta) {
  const QString u = porta.toUpper();
  if (u.size() == 4 && u.startsWith("LPT") && u[3] >= '1' && u[3] <= '4')
    return QStringLiteral("/dev/lp%1").arg(u[3].digitValue() - 1);
  return porta;
}

constexpr qsizetype kSpoolChunk = 64 * 1024;

// The printer that refused the job and the spooler's reason (the program's sentence for it says
// what to do).
AppError falhaImpressora(const QString& impressora, QString motivo) {
  if (motivo.isEmpty()) motivo = QStringLiteral("a impressora não aceitou o trabalho de impressão");
  return AppError(ErrorKind::Printer, impressora, motivo.toStdString());
}

// "Erro #03 - I/O n PORT" after a sentence naming the port or file, the system's reason and
// what to do.
AppError erroES(const QString& alvo, const QString& motivo, int numero) {
  return erroTx(
      QStringLiteral("Não foi possível gravar em \"%1\": %2. Verifique se a impressora está ligada a essa porta, "
                     "ou se a pasta do arquivo existe e permite gravação, e tente de novo.\r"
                     "Erro #03 - I/O %3 %1")
          .arg(alvo, motivo)
          .arg(numero),
      alvo);
}

AppError erroES(const QString& alvo, int err) {
  return erroES(alvo,
                err ? QString::fromStdString(systemError(alvo, err).detail()) : QStringLiteral("erro de gravação"),
                ioErrorNumber(err));
}

// The same for a failed save of a file of the engine (.PRN, .TXT, .RTX): the save's error says why.
AppError erroDoArquivo(const QString& arquivo, const AppError& e) {
  const int numero = e.kind() == ErrorKind::NoSpace ? 101 : e.kind() == ErrorKind::NotFound ? 3 : 5;
  return erroES(arquivo, QString::fromStdString(e.detail()), numero);
}

AppError falhaFila(const cups::RawJob& job, const QString& pedida) {
  return falhaImpressora(job.queue().isEmpty() ? pedida : job.queue(), job.lastErrorText());
}

}  // namespace

struct TTxPrint::Run {
  enum Canal { Spooler, Porta, Grafico } canal = Spooler;
  QString arquivo;  // file target (printer file); empty: the printer
  QByteArray quebra;
  // Spooler
  std::unique_ptr<cups::RawJob> job;
  QByteArray pendente;  // bytes not yet handed to the spooler
  // File target (atomic) and port
  std::unique_ptr<AtomicFile> saida;
  std::unique_ptr<QFile> porta;
  // Grafico
  std::unique_ptr<QPrinter> printer;
  std::unique_ptr<QPainter> painter;
  bool paginaDesenhada = false;
  // Errors
  bool falhou = false;

  bool envia(TTxPrint& tx, const QByteArray& bytes);
};

bool TTxPrint::Run::envia(TTxPrint& tx, const QByteArray& bytes) {
  if (falhou) return false;
  if (saida) {
    try {
      saida->writeAll(bytes);
    } catch (const AppError& e) {
      tx.registra(erroDoArquivo(arquivo, e));
      falhou = true;
    }
  } else if (porta) {
    if (porta->write(bytes) != bytes.size()) {
      tx.registra(erroES(tx.PortaComunicacao, errno));
      falhou = true;
    }
  } else if (job) {
    pendente += bytes;
    if (pendente.size() >= kSpoolChunk) {
      if (!job->write(pendente)) {
        tx.registra(falhaFila(*job, tx.ImpressoraSistema));
        falhou = true;
      }
      pendente.clear();
    }
  }
  return !falhou;
}

bool TTxPrint::passo(bool impressao) {
  TxJobState& st = *job_;
  ui().processaEventos();
  ui().avancaProgresso(*this);
  if (st.cancelado) {
    if (OnCancel) OnCancel(*this);
    return true;
  }
  return impressao && st.abortado;
}

bool TTxPrint::abreSaida(const QString& arquivo) {
  auto run = std::make_unique<Run>();
  run->arquivo = arquivo;
  const TxJobState& st = *job_;
  if (Impressora == TModelo::Grafico) {
    run->canal = Run::Grafico;
    run->printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!arquivo.isEmpty()) {
      run->printer->setOutputFormat(QPrinter::PdfFormat);
      run->printer->setOutputFileName(arquivo);
    } else if (!ImpressoraSistema.isEmpty()) {
      run->printer->setPrinterName(ImpressoraSistema);
    }
    run->printer->setFullPage(true);
    run->printer->setPageOrientation(Orientacao);
    run->printer->setDocName(fromCp1252(TitulodoRelatorio));
    run->painter = std::make_unique<QPainter>();
    if (!run->painter->begin(run->printer.get())) {
      registra(falhaImpressora(run->printer->printerName(), cups::lastErrorText()));
      return false;
    }
    run_ = run.release();
    return true;
  }
  const QByteArray prologo = st.seq.prologo();
  if (UsaGerenciadorImpr) {
    run->canal = Run::Spooler;
    run->quebra = QByteArray("\n\r");
    if (arquivo.isEmpty()) {
      run->job = std::make_unique<cups::RawJob>();
      if (!run->job->open(ImpressoraSistema, TitulodoRelatorio)) {
        registra(falhaFila(*run->job, ImpressoraSistema));
        return false;
      }
    }
  } else {
    run->canal = Run::Porta;
    run->quebra = QByteArray("\r\n");
    if (arquivo.isEmpty()) {
      run->porta = std::make_unique<QFile>(caminhoDaPorta(PortaComunicacao));
      errno = 0;
      if (!run->porta->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        registra(erroES(PortaComunicacao, errno));
        return false;
      }
    }
  }
  if (!arquivo.isEmpty()) {
    // The printer file is replaced only when it has been written whole.
    run->saida = std::make_unique<AtomicFile>(arquivo);
    try {
      run->saida->create();
    } catch (const AppError& e) {
      registra(erroDoArquivo(arquivo, e));
      return false;
    }
  }
  run_ = run.release();
  if (!run_->envia(*this, prologo)) {
    fechaSaida();
    return false;
  }
  return true;
}

bool TTxPrint::fechaSaida() {
  std::unique_ptr<Run> run(run_);
  run_ = nullptr;
  if (!run) return false;
  TxJobState& st = *job_;
  bool ok = !run->falhou;
  switch (run->canal) {
    case Run::Grafico:
      if (run->painter) run->painter->end();
      return ok;
    case Run::Spooler:
    case Run::Porta:
      break;
  }
  if (ok) ok = run->envia(*this, st.seq.inicializar);
  if (run->saida) {
    const bool cancelado = st.cancelado || st.abortado;
    if (ok && cancelado) {
      // A cancelled save keeps the file that was there.
      run->saida->cancel();
      ui().mostraAviso(
          *this, QStringLiteral("Gravação cancelada: o arquivo não foi gravado.\r\rArquivo: %1").arg(run->arquivo));
      return false;
    }
    if (!ok) {
      run->saida->cancel();
      return false;
    }
    try {
      run->saida->commit();
    } catch (const AppError& e) {
      registra(erroDoArquivo(run->arquivo, e));
      return false;
    }
    return true;
  }
  if (run->porta) {
    errno = 0;
    if (!ok || !run->porta->flush()) {
      if (ok) registra(erroES(PortaComunicacao, errno));
      run->porta->close();
      return false;
    }
    run->porta->close();
    return true;
  }
  if (run->job) {
    if (ok && !run->pendente.isEmpty() && !run->job->write(run->pendente)) {
      registra(falhaFila(*run->job, ImpressoraSistema));
      ok = false;
    }
    if (!ok) {
      run->job->cancel();
      return false;
    }
    if (!run->job->finish()) {
      registra(falhaFila(*run->job, ImpressoraSistema));
      return false;
    }
    return true;
  }
  return ok;
}

bool TTxPrint::TestaImpressora(const QString& Porta) {
  const QString u = Porta.toUpper();
  const bool lpt = u == "LPT1" || u == "LPT2" || u == "LPT3" || u == "LPT4";
  status_ = QStringLiteral("Não é possível testar impressora em ") + Porta;
  if (!lpt) return true;
#ifdef COTAVIA_HAVE_PPDEV
  const QByteArray dev = "/dev/parport" + QByteArray::number(u[3].digitValue() - 1);
  const int fd = ::open(dev.constData(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return true;
  if (::ioctl(fd, PPCLAIM) != 0) {
    ::close(fd);
    return true;
  }
  int status = -1;
  for (int i = 0; i < 11; ++i) {
    unsigned char reg = 0;
    if (::ioctl(fd, PPRSTATUS, &reg) != 0) break;
    // The status byte as the PC printer service reports it: the register's upper five bits
    // with acknowledge and error inverted.
    status = (reg & 0xF8) ^ 0x48;
    if (status == 0x90 || status == 0x38 || status == 0x20 || status == 0x18) break;
    ui().processaEventos();
    QThread::msleep(100);
  }
  ::ioctl(fd, PPRELEASE);
  ::close(fd);
  if (status < 0) return true;
  switch (status) {
    case 0x90:
      status_ = QStringLiteral("Impressora Ok");
      return true;
    case 0x38:
      status_ = QStringLiteral("Impressora Sem Papel");
      break;
    case 0x20:
      status_ = QStringLiteral("Impressora Desligada");
      break;
    case 0x18:
      status_ = QStringLiteral("Impressora esta Fora de Linha");
      break;
    default:
      status_ = QStringLiteral("Impressora com Erro desconhecido");
      break;
  }
  return false;
#else
  return true;
#endif
}

bool TTxPrint::Imprimir(const QString& ArquivoLocal) {
  TxJobState& st = *job_;
  if (ArquivoLocal.isEmpty()) {
    continuar_ = true;
    if (OnBeforePrint) OnBeforePrint(*this, continuar_);
    if (!continuar_) return false;
  }
  st.abortado = false;
  falha_.reset();
  // A job without items (a job file of none, or one emptied by an abort) has no page: its "last
  // page" of 9999 would send a form feed for every page number up to it.
  if (st.itens.isEmpty())
    throw ArquivoLocal.isEmpty()
        ? erroTx(QStringLiteral("O relatório não tem nenhuma página: nada foi impresso."))
        : erroTx(QStringLiteral("O relatório não tem nenhuma página: o arquivo não foi gravado.\r\rArquivo: %1")
                     .arg(ArquivoLocal),
                 ArquivoLocal);
  if (TestarPorta) {
    while (!TestaImpressora(PortaComunicacao)) {
      if (!ui().perguntaRepetir(*this, status_)) {
        Abortar();
        break;
      }
    }
    if (st.abortado) return false;
  }
  // The run stops at the job's last page; the working range itself stays as set, so the next
  // job (a job file loaded into the preview) is not cut at this one's last page.
  const int pagFim = std::min(st.pagFim, UltimaPagina());
  if (!abreSaida(ArquivoLocal)) return entregaFalha(false);

  qint64 total = 0;
  for (qsizetype i = st.inicioPagina(st.pagIni); i < st.itens.size(); ++i) {
    if (PaginaDoItem(st.itens[i]) > pagFim) break;
    ++total;
  }
  ui().iniciaProgresso(*this, ArquivoLocal.isEmpty() ? QStringLiteral("Imprimindo") : QStringLiteral("Gravando"),
                       fromCp1252(TitulodoRelatorio), total * std::max(st.copias, 0));
  st.cancelado = false;
  run_->paginaDesenhada = false;
  bool completo = true;
  for (int c = 1; c <= st.copias && completo; ++c) {
    for (int p = st.pagIni; p <= pagFim; ++p) {
      st.paginaAtual = p;
      bool ok;
      if (run_->canal == Run::Grafico) {
        if (run_->paginaDesenhada) run_->printer->newPage();
        ok = imprimePaginaGrafica();
      } else {
        ok = imprimePagina();
      }
      ui().processaEventos();
      if (!ok || st.cancelado || st.abortado || run_->falhou) {
        completo = false;
        break;
      }
    }
  }
  ui().terminaProgresso(*this);
  const bool fechou = fechaSaida();
  if (ArquivoLocal.isEmpty() && OnAfterPrint) OnAfterPrint(*this);
  return entregaFalha(completo && fechou);
}

bool TTxPrint::imprimePagina() {
  TxJobState& st = *job_;
  Run& run = *run_;
  const Sequencias& s = st.seq;
  const int pagina = st.paginaAtual;
  int linha = 1, coluna = 1;
  QByteArray peca;
  auto testa = [&]() {
    if (!TestarPorta) return true;
    while (!TestaImpressora(PortaComunicacao)) {
      if (!ui().perguntaRepetir(*this, status_)) {
        Abortar();
        return false;
      }
    }
    return true;
  };
  for (qsizetype i = st.inicioPagina(pagina); i < st.itens.size(); ++i) {
    TxItem it;
    if (!LeItem(st.itens[i], it) || it.pagina != pagina) break;
    if (passo()) return false;
    QByteArray t = TrataAcento(it.texto, Acentuacao, Impressora);
    if (it.tipo == 'C') t = CodigosDecimais(t);
    if (it.tipo == 'B') t = CaracteresBox(t);
    while (linha < it.linha) {
      if (!testa()) return false;
      if (!run.envia(*this, run.quebra)) return false;
      ++linha;
      coluna = 1;
    }
    if (coluna < it.coluna) {
      peca.append(it.coluna - coluna, ' ');
      coluna = it.coluna;
    } else if (coluna > it.coluna) {
      peca.append(coluna - it.coluna, '\b');
      coluna = it.coluna;
    }
    int passoItem = s.passoPadrao;
    const QByteArray seq = SequenciaItem(s, it.atributo, &passoItem);
    if (passoItem != s.passoPadrao)
      t.append(t.size(), '\b');
    else if (it.tipo != 'C')
      coluna += static_cast<int>(t.size());
    peca += seq;
    peca += t;
    if (!seq.isEmpty()) {
      peca += s.reset;
      peca += s.seqFontePadrao;
    }
    if (!testa()) return false;
    if (!run.envia(*this, peca)) return false;
    peca.clear();
  }
  if (!testa()) return false;
  return run.envia(*this, s.saltoPagina);
}

bool TTxPrint::imprimePaginaGrafica() {
  Run& run = *run_;
  QPrinter& pr = *run.printer;
  QPainter& p = *run.painter;
  const QRectF papel = pr.paperRect(QPrinter::DevicePixel);
  const QRectF area = pr.pageRect(QPrinter::DevicePixel);
  const double dpiX = pr.logicalDpiX(), dpiY = pr.logicalDpiY();
  const double offX = area.left() - papel.left(), offY = area.top() - papel.top();
  const double margemX = std::round(dpiX * 50 / 254) + offX;
  const double margemY = std::round(dpiY * 50 / 254) + offY;
  const double dispW = papel.width() - 2 * margemX, dispH = papel.height() - 2 * margemY;
  double altura = std::trunc(dpiY * TamanhoQteLinhas / (TamanhoQteLPP == TLinha::Seis ? 6 : 8));
  double largura = std::trunc(dpiX * TamanhoQteColunas / job_->seq.passoPadrao);
  double escala = 1.0;
  if (largura > dispW && dispW > 0) escala = largura / dispW;
  if (dispH > 0 && altura / dispH > escala) escala = altura / dispH;
  if (escala > 1.0) {
    largura = std::round(largura / escala);
    altura = std::round(altura / escala);
  }
  const QSize fig = TamanhoFigura(false);
  p.save();
  p.translate(margemX, margemY);
  if (fig.width() > 0 && fig.height() > 0) p.scale(largura / fig.width(), altura / fig.height());
  const bool ok = DesenhaPagina(job_->paginaAtual, p, false);
  p.restore();
  run.paginaDesenhada = true;
  return ok;
}

bool TTxPrint::GravarImpressao(const QString& ArquivoLocal) {
  if (Impressora == TModelo::Grafico)
    throw erroTx(QStringLiteral("Desculpe, mas o modo gráfico não esta disponível..."));
  const QString nome = nomeDeGravacao(ArquivoLocal);
  if (nome.isEmpty()) return false;
  // The whole job, once, into the file; the port and the working range are put back after,
  // however the run ends.
  struct Restaura {
    TTxPrint& tx;
    TxJobState& st;
    QString porta = tx.PortaComunicacao;
    int ini = st.pagIni, fim = st.pagFim, copias = st.copias;
    ~Restaura() {
      tx.PortaComunicacao = porta;
      st.pagIni = ini;
      st.pagFim = fim;
      st.copias = copias;
    }
  } restaura{*this, *job_};
  PortaComunicacao = nome;
  restaura.st.pagIni = 1;
  restaura.st.pagFim = 9999;
  restaura.st.copias = 1;
  return Imprimir(nome);
}

}  // namespace cotavia
