// cotavia print-report: the graphic proposal report generated as the preview generates it (the
// response file, page header from it and from FORNEC.KSD), then saved as a report file, exported
// as PDF and/or printed on a CUPS queue.
#include "app/core/proposal_report.h"
#include "app/core/save.h"
#include "cli/cli.h"
#include "platform/error.h"
#include "report/output/rp_export.h"
#include "report/output/rp_printer.h"

#include <QDir>
#include <cstdio>
#include <memory>

namespace cotavia::cli {

int cmdPrintReport(const Args& a) {
  const auto rpf = a.get("rpf"), pdf = a.get("pdf"), queue = a.get("printer");
  if (!rpf && !pdf && !queue) throw UsageError{"nada a fazer: informe --rpf, --pdf ou --printer"};
  for (const auto* v : {&rpf, &pdf, &queue})
    if (*v && (*v)->isEmpty()) throw UsageError{"uma opção de saída está vazia"};
  // The report shows what "cotavia fill" (or "Gravar") saved; a proposal never saved shows the
  // input file's items without amounts.
  const ProposalRef ref = proposalRef(a);

  int printerIndex = -1;
  if (queue) {
    printerIndex = TPrinterSettings::PrinterNames().indexOf(*queue);
    if (printerIndex < 0)
      throw AppError(ErrorKind::Printer, *queue, "não há fila com esse nome no servidor de impressão (CUPS)");
  }

  // Without --printer the pages are laid out for the PDF stand-in, whatever printers this machine
  // has: the report file and the PDF have the report's own pages.
  TTCotavia3 form;
  if (!queue) layOutForPdf(form.RpReport, QStringLiteral("PDF"), QDir::temp().filePath("cotavia-report.pdf"));
  if (a.has("compress")) form.RpReport.Options |= TRpReportOption::Compression;
  form.OpenProposal(ref);
  // The PDF is made while the report generates, on the other cores, as each page is finished.
  std::unique_ptr<TRpPdfExport> pdfExport;
  if (pdf)
    form.RpReport.OnPreview = [&](TRpReport& report) {
      pdfExport = std::make_unique<TRpPdfExport>(*report.RpPrinter(), *pdf);
      report.RpPrinter()->SetViewer(pdfExport.get());
    };
  form.RpReport.Preview();  // no window here: the pages stay in the report's page store
  TRpPrinter* pages = form.RpReport.RpPrinter();
  if (!pages || pages->Status() != TRpPrinterStatus::mpFinished)
    throw AppError(ErrorKind::Report, QString(),
                   ref.folder.toStdString() + "/" + ref.inputFileName.toStdString() + ": o relatório não foi gerado");
  notePrintedProposal(a, ref);
  if (a.verbose())
    std::fprintf(stderr, "cotavia print-report: %d página(s), total geral %s\n", pages->PageCount(),
                 form.grandTotalText().constData());

  if (rpf) pages->Save(*rpf);
  if (pdfExport)
    pdfExport->Finish();
  else if (pdf)
    rpExportPdf(*pages, *pdf);
  if (queue) {
    form.RpReport.PrinterSettings.PrinterIndex = printerIndex;
    form.RpReport.ShowProgress = false;
    form.RpReport.Print();
  }
  return 0;
}

}  // namespace cotavia::cli
