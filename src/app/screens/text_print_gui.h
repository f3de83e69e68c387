#pragma once
// The text printout with its windows: the editor's text print component (TxPrint1) and the
// engine's setup, preview and progress windows.
#include "app/screens/print_dispatch.h"

namespace cotavia {

// imprime_licitacao on the editor's TTxPrint with the engine's windows. A proposal never saved is
// refused; an error is shown through the dialog service.
void printTextWithWindows(const PrintRequest& req);

}  // namespace cotavia
