#include "app/print_dispatch.h"

#include "app/proposal_report.h"
#include "platform/dialogs.h"
#include "report/rp_preview.h"

#include <memory>

namespace cotavia {

void bbtn_importar(const PrintRequest& req) {
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
    TRpStandardPreviewGuard windows(req.editor);
    form->RpReport.Preview();  // returns when the preview window is closed
  } catch (const std::exception& e) {
    dialogs().error(QString::fromUtf8(e.what()));
  }
}

}  // namespace cotavia
