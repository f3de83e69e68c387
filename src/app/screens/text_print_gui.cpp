#include "app/screens/text_print_gui.h"
#include "app/core/text_printout.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "textprint/txwidgetui.h"

#include <QObject>
#include <QWidget>
#include <memory>

namespace cotavia {

namespace {

// The editor's text print component: created with the editor's first text printout, kept while
// the editor lives (so what the setup window changed holds for the next printout) and freed
// with it.
class TxPrint1 : public QObject {
 public:
  explicit TxPrint1(QObject* dono) : QObject(dono) {
    setObjectName(QStringLiteral("TxPrint1"));
    configuraTxPrint1(tx);
  }
  TTxPrint tx;
};

}  // namespace

void printTextWithWindows(const PrintRequest& req) {
  if (refuseUnsaved(req)) return;
  std::unique_ptr<TxPrint1> local;
  TxPrint1* componente = nullptr;
  if (req.editor) {
    componente = req.editor->findChild<TxPrint1*>(QStringLiteral("TxPrint1"), Qt::FindDirectChildrenOnly);
    if (!componente) componente = new TxPrint1(req.editor);
  } else {
    local = std::make_unique<TxPrint1>(nullptr);
    componente = local.get();
  }
  TTxPrint& tx = componente->tx;
  tx.PastaArquivos = req.folder;
  WidgetTxPrintUi ui(req.editor);
  tx.setUi(&ui);

  TextPrintout p;
  p.folder = req.folder;
  p.identity = req.identity;
  p.proposalFile = req.proposalFile;
  try {
    imprime_licitacao(tx, p);
  } catch (const AppError& e) {
    // The engine's own failures keep the plain box they always had.
    if (e.kind() == ErrorKind::TextPrint || e.kind() == ErrorKind::Printer)
      mostraErroTx(e);
    else
      dialogs().error(userMessage(e));
  }
  tx.setUi(nullptr);
}

}  // namespace cotavia
