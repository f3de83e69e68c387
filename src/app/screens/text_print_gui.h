#pragma once
// The text printout with its windows: the editor's text print component (TxPrint1) and the
// engine's setup, preview and progress windows.
#include "app/core/proposal_ref.h"

class QWidget;

namespace cotavia {

// imprime_licitacao on the editor's TTxPrint (`editor` owns it and the engine's windows; none: a
// component for this printout only). A proposal never saved is refused before any window opens;
// an error is shown through the dialog service.
void printTextWithWindows(QWidget* editor, const ProposalRef& ref);

}  // namespace cotavia
