#include "app/screens/print_dispatch.h"

#include "app/screens/text_print_gui.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/files.h"
#include "report/windows/rp_preview.h"

#include <QDir>
#include <QFileInfo>
#include <memory>

namespace cotavia {

void previewReport(TRpReport& report, QWidget* owner, const QString& pdfSuggestion) {
  // "Print" on the PDF printer asks where to write, offering pdfSuggestion (as "Arquivo PDF..." of
  // the print dialog does); with no printer installed that printer stands in.
  TRpPdfPrinter& pdf = report.PrinterSettings.PdfPrinter;
  pdf.Suggestion = pdfSuggestion;
  const bool noPrinter = TPrinterSettings::PrinterNames().isEmpty();
  if (noPrinter) pdf.Name = QStringLiteral("Arquivo PDF");
  // A report written to a PDF file says where the file is.
  report.AfterPrint = [noPrinter](TRpReport& r) {
    if (r.PrintedFile.isEmpty()) return;
    dialogs().message((noPrinter ? QStringLiteral("Nenhuma impressora instalada: o relatório foi gravado em ")
                                 : QStringLiteral("O relatório foi gravado em ")) +
                      QDir::toNativeSeparators(r.PrintedFile));
  };
  TRpStandardPreviewGuard windows(owner);
  report.Preview();  // returns when the preview window is closed
}

void printProposal(const PrintRequest& req) {
  if (req.choice == 0) {
    // The text printout reads what "Gravar" wrote: a proposal never saved is refused before any
    // window opens.
    printTextWithWindows(req.editor, req.proposal);
    return;
  }
  // Any other index: the graphic report of the
  // response file, in the report preview. Printing happens from there.
  try {
    auto form = std::make_unique<TTCotavia3>();
    // A file that cannot be opened stops here.
    form->OpenProposal(req.proposal);
    previewReport(form->RpReport, req.editor,
                  joinPath(req.proposal.folder, QFileInfo(req.proposal.inputFileName).completeBaseName() + ".pdf"));
  } catch (const std::exception& e) {
    dialogs().error(userMessage(e));
  }
}

}  // namespace cotavia
