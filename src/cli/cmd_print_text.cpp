// cotavia print-text: the proposal's text printout with TxPrint1's stored settings, no setup
// window and no preview; the outputs asked for are made as the preview's buttons make them.
#include "app/core/text_printout.h"
#include "cli/cli.h"
#include "platform/cups.h"
#include "platform/error.h"
#include "textprint/txprint.h"

#include <cstdio>

namespace cotavia::cli {

namespace {

TModelo modelo(const QString& nome) {
  const QString n = nome.toLower();
  if (n == "epson") return TModelo::Epson;
  if (n == "rima") return TModelo::Rima;
  if (n == "hp") return TModelo::HP;
  if (n == "grafico") return TModelo::Grafico;
  if (n == "personalizado") return TModelo::Personalizado;
  throw UsageError{"unknown model '" + nome + "' (epson, rima, hp, grafico, personalizado)"};
}

}  // namespace

int cmdPrintText(const Args& a) {
  const QString dir = required(a, "dir");
  const QString proposal = required(a, "proposal");
  const auto prn = a.get("prn"), rtx = a.get("rtx"), txt = a.get("txt"), printer = a.get("printer"),
             port = a.get("port");
  if (!prn && !rtx && !txt && !printer && !port)
    throw UsageError{"nothing to do: give --prn, --rtx, --txt, --printer or --port"};

  TTxPrint tx;
  configuraTxPrint1(tx);
  if (auto m = a.get("model")) tx.Impressora = modelo(*m);
  if (port && tx.Impressora == TModelo::Grafico)
    throw UsageError{"--port takes the printer bytes of a text model, not grafico"};
  if (printer) {
    bool found = false;
    for (const auto& d : cups::destinations()) found = found || d.name == *printer;
    if (!found) throw AppError("no printer queue '" + printer->toStdString() + "' on the CUPS server");
  }
  const QByteArray identity = identityFor(a, dir);

  HeadlessTxPrintUi ui;
  tx.setUi(&ui);
  bool ok = true;
  QStringList done;
  ui.onPreview = [&](TTxPrint& t) {
    auto step = [&](bool result, const QString& what) {
      ok = ok && result;
      if (result) done << what;
    };
    if (prn && ok) step(t.GravarImpressao(*prn), "printer file " + *prn);
    if (rtx && ok) step(t.GravarRelatorio(*rtx), "job file " + *rtx);
    if (txt && ok) step(t.GravarTexto(*txt), "text file " + *txt);
    if (printer && ok) {
      t.UsaGerenciadorImpr = true;
      t.TestarPorta = false;
      t.ImpressoraSistema = *printer;
      step(t.Imprimir(), "job on " + *printer);
    }
    if (port && ok) {
      t.UsaGerenciadorImpr = false;
      t.TestarPorta = false;
      t.PortaComunicacao = *port;
      step(t.Imprimir(), "port " + *port);
    }
  };

  TextPrintout p;
  p.folder = dir;
  p.identity = identity;
  p.identityGiven = a.get("identity").has_value();
  p.comoGravar = SaveHow::CommandLine;
  p.proposalFile = proposal;
  if (!imprime_licitacao(tx, p)) {
    std::fprintf(stderr, "cotavia print-text: the print job could not be opened\n");
    return 1;
  }
  if (a.verbose())
    for (const QString& d : done) std::fprintf(stderr, "cotavia print-text: wrote %s\n", d.toLocal8Bit().constData());
  if (!ok) {
    std::fprintf(stderr, "cotavia print-text: %s: printing stopped\n", proposal.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}

}  // namespace cotavia::cli
