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
  throw UsageError{"o modelo '" + nome + "' não existe (epson, rima, hp, grafico, personalizado)"};
}

}  // namespace

int cmdPrintText(const Args& a) {
  const QString dir = required(a, "dir");
  const QString proposal = required(a, "proposal");
  const auto prn = a.get("prn"), rtx = a.get("rtx"), txt = a.get("txt"), printer = a.get("printer"),
             port = a.get("port");
  if (!prn && !rtx && !txt && !printer && !port)
    throw UsageError{"nada a fazer: informe --prn, --rtx, --txt, --printer ou --port"};

  TTxPrint tx;
  configuraTxPrint1(tx);
  if (auto m = a.get("model")) tx.Impressora = modelo(*m);
  if (port && tx.Impressora == TModelo::Grafico)
    throw UsageError{"--port recebe os bytes de um modelo de texto, não do modelo grafico"};
  if (printer) {
    bool found = false;
    for (const auto& d : cups::destinations()) found = found || d.name == *printer;
    if (!found)
      throw AppError(ErrorKind::Printer, *printer, "não há fila com esse nome no servidor de impressão (CUPS)");
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
    if (prn && ok) step(t.GravarImpressao(*prn), "arquivo de impressora " + *prn);
    if (rtx && ok) step(t.GravarRelatorio(*rtx), "arquivo de relatório " + *rtx);
    if (txt && ok) step(t.GravarTexto(*txt), "arquivo de texto " + *txt);
    if (printer && ok) {
      t.UsaGerenciadorImpr = true;
      t.TestarPorta = false;
      t.ImpressoraSistema = *printer;
      step(t.Imprimir(), "trabalho na fila " + *printer);
    }
    if (port && ok) {
      t.UsaGerenciadorImpr = false;
      t.TestarPorta = false;
      t.PortaComunicacao = *port;
      step(t.Imprimir(), "porta " + *port);
    }
  };

  TextPrintout p;
  p.folder = dir;
  p.identity = identity;
  p.identityGiven = a.get("identity").has_value();
  p.comoGravar = SaveHow::CommandLine;
  p.proposalFile = proposal;
  if (!imprime_licitacao(tx, p)) {
    std::fprintf(stderr, "cotavia print-text: o trabalho de impressão não pôde ser aberto. Tente de novo.\n");
    return 1;
  }
  if (a.verbose())
    for (const QString& d : done) std::fprintf(stderr, "cotavia print-text: gravado %s\n", d.toLocal8Bit().constData());
  if (!ok) {
    std::fprintf(stderr, "cotavia print-text: a impressão de %s foi interrompida pelo erro acima.\n",
                 proposal.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}

}  // namespace cotavia::cli
