#include "app/screens/text_print_gui.h"
#include "app/core/text_printout.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "textprint/txprevi.h"
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
  explicit TxPrint1(QObject* owner) : QObject(owner) {
    setObjectName(QStringLiteral("TxPrint1"));
    configureTxPrint1(tx);
  }
  TTxPrint tx;
};

// A proposal never saved (no response file) has no text printout: says so and returns true.
bool refuseUnsaved(const ProposalRef& ref) {
  if (proposalSaved(ref)) return false;
  dialogs().message(notSavedText(ref, SaveHow::Button));
  return true;
}

}  // namespace

void printTextWithWindows(QWidget* editor, const ProposalRef& ref) {
  if (refuseUnsaved(ref)) return;
  std::unique_ptr<TxPrint1> local;
  TxPrint1* component = nullptr;
  if (editor) {
    component = editor->findChild<TxPrint1*>(QStringLiteral("TxPrint1"), Qt::FindDirectChildrenOnly);
    if (!component) component = new TxPrint1(editor);
  } else {
    local = std::make_unique<TxPrint1>(nullptr);
    component = local.get();
  }
  TTxPrint& tx = component->tx;
  tx.PastaArquivos = ref.folder;
  WidgetTxPrintUi ui(editor);
  tx.setUi(&ui);

  TextPrintout p;
  p.proposal = ref;
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
