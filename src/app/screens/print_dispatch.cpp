#include "app/screens/print_dispatch.h"

#include "app/core/proposal_report.h"
#include "app/core/save.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/files.h"
#include "report/rp_preview.h"

#include <QFileInfo>
#include <memory>

namespace cotavia {

bool refuseUnsaved(const PrintRequest& req) {
  const SaveTarget target{req.folder, req.proposalFile, req.identity};
  if (proposalSaved(target)) return false;
  dialogs().message(notSavedText(target, SaveHow::Button));
  return true;
}

void bbtn_importar(const PrintRequest& req) {
  // Both printouts read what "Gravar" wrote: a proposal never saved is refused before any
  // window opens.
  if (refuseUnsaved(req)) return;
  if (req.choice == 0) {
    printTextWithWindows(req);
    return;
  }
  // Any other index (1, or -1 when the list's text was typed over): the graphic report of the
  // proposal input file as last saved, in the report preview. Printing happens from there.
  try {
    auto form = std::make_unique<TTCotavia3>();
    form->Editor.orgao = req.orgao;
    form->Editor.endereco = req.endereco;
    form->Editor.fornecedor = req.fornecedor;
    form->Editor.modalidade = req.modalidade;
    form->Editor.objeto = req.objeto;
    form->Editor.entrega = req.entrega;
    form->Editor.abertura = req.abertura;
    form->OpenTable(req.folder, req.proposalFile);  // a file that cannot be opened stops here
    // Without any printer installed the engine could not take the report's paper and would lay
    // the pages out on A4 portrait, cutting the landscape page; a PDF file stands in as the
    // printer then, so the preview shows the real page, and "Print" asks where to write it,
    // offering FOLDER/P0001.pdf (as "Arquivo PDF..." of the print dialog does).
    const QString pdfName = joinPath(req.folder, QFileInfo(req.proposalFile).completeBaseName() + ".pdf");
    TPrinterSettings::SetPdfSuggestion(pdfName);
    QString pdfStandIn;
    if (TPrinterSettings::PrinterNames().isEmpty()) {
      pdfStandIn = pdfName;
      TPrinterSettings::SetPdfPrinter(QStringLiteral("Arquivo PDF"), QString());
      form->RpReport.AfterPrint = [](TRpReport& r) {
        if (!r.PrintedFile.isEmpty())
          dialogs().message(QStringLiteral("Nenhuma impressora instalada: o relatório foi gravado em ") +
                            r.PrintedFile);
      };
    }
    struct StandIn {
      bool on;
      ~StandIn() {
        if (on) TPrinterSettings::SetPdfPrinter(QString(), QString());
      }
    } standIn{!pdfStandIn.isEmpty()};
    TRpStandardPreviewGuard windows(req.editor);
    form->RpReport.Preview();  // returns when the preview window is closed
  } catch (const std::exception& e) {
    dialogs().error(userMessage(e));
  }
}

}  // namespace cotavia
