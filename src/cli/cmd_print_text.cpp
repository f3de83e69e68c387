// cotavia print-text: the proposal's text printout with TxPrint1's stored settings, no setup
// window and no preview; the outputs asked for are made from the open job, as the preview's
// buttons make them.
#include "app/core/text_printout.h"
#include "cli/cli.h"
#include "platform/cups.h"
#include "platform/error.h"
#include "textprint/txprint.h"

#include <cstdio>
#include <functional>

namespace cotavia::cli {

namespace {

TModelo printerModel(const QString& name) {
  const QString n = name.toLower();
  if (n == "epson") return TModelo::Epson;
  if (n == "rima") return TModelo::Rima;
  if (n == "hp") return TModelo::HP;
  if (n == "grafico") return TModelo::Grafico;
  if (n == "personalizado") return TModelo::Personalizado;
  throw UsageError{"o modelo '" + name + "' não existe (epson, rima, hp, grafico, personalizado)"};
}

}  // namespace

int cmdPrintText(const Args& a) {
  const auto prn = a.get("prn"), rtx = a.get("rtx"), txt = a.get("txt"), printer = a.get("printer"),
             port = a.get("port");
  if (!prn && !rtx && !txt && !printer && !port)
    throw UsageError{"nada a fazer: informe --prn, --rtx, --txt, --printer ou --port"};

  TTxPrint tx;
  configureTxPrint1(tx);
  if (auto m = a.get("model")) tx.Impressora = printerModel(*m);
  if (port && tx.Impressora == TModelo::Grafico)
    throw UsageError{"--port recebe os bytes de um modelo de texto, não do modelo grafico"};
  TextPrintout p;
  p.proposal = proposalRef(a);
  p.identityGiven = a.get("identity").has_value();
  p.saveHow = SaveHow::CommandLine;
  if (printer) {
    bool found = false;
    for (const auto& d : cups::destinations()) found = found || d.name == *printer;
    if (!found)
      throw AppError(ErrorKind::Printer, *printer, "não há fila com esse nome no servidor de impressão (CUPS)");
  }

  HeadlessTxPrintUi ui;
  tx.setUi(&ui);
  if (!placeTextPrintout(tx, p)) {
    std::fprintf(stderr, "cotavia print-text: o trabalho de impressão não pôde ser aberto. Tente de novo.\n");
    return 1;
  }
  notePrintedProposal(a, p.proposal);  // saved: a proposal never saved was refused
  // The job is dropped once its outputs are made (or one of them failed).
  struct DropJob {
    TTxPrint& tx;
    ~DropJob() {
      if (tx.JobAberto()) tx.Abortar();
    }
  } dropJob{tx};

  // Each output asked for, in this order, until one fails; an engine error is thrown on.
  QStringList done;
  auto step = [&](bool asked, const QString& what, const std::function<bool()>& make) {
    if (!asked) return true;
    if (!make()) return false;
    done << what;
    return true;
  };
  const bool ok =
      step(prn.has_value(), "arquivo de impressora " + prn.value_or(QString()),
           [&] { return tx.GravarImpressao(*prn); }) &&
      step(rtx.has_value(), "arquivo de relatório " + rtx.value_or(QString()),
           [&] { return tx.GravarRelatorio(*rtx); }) &&
      step(txt.has_value(), "arquivo de texto " + txt.value_or(QString()), [&] { return tx.GravarTexto(*txt); }) &&
      step(printer.has_value(), "trabalho na fila " + printer.value_or(QString()),
           [&] {
             tx.UsaGerenciadorImpr = true;
             tx.TestarPorta = false;
             tx.ImpressoraSistema = *printer;
             return tx.Imprimir();
           }) &&
      step(port.has_value(), "porta " + port.value_or(QString()), [&] {
        tx.UsaGerenciadorImpr = false;
        tx.TestarPorta = false;
        tx.PortaComunicacao = *port;
        return tx.Imprimir();
      });
  if (a.verbose())
    for (const QString& d : done) std::fprintf(stderr, "cotavia print-text: gravado %s\n", d.toLocal8Bit().constData());
  if (!ok) {
    std::fprintf(stderr, "cotavia print-text: a impressão de %s foi interrompida.\n",
                 p.proposal.inputFileName.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}

}  // namespace cotavia::cli
