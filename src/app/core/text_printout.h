#pragma once
// The proposal's text printout on the text print engine: a boxed page heading repeated on every
// page, one block of lines per item of the saved response file, and the grand total.
#include "app/core/save.h"
#include "textprint/txprint.h"

#include <QByteArray>
#include <QString>

namespace cotavia {

// Settings the editor's TxPrint1 stores (Epson, spooler, 66 x 80, preview, LPT1...).
void configureTxPrint1(TTxPrint& tx);

// One text printout: the proposal it prints and how it runs.
struct TextPrintout {
  ProposalRef proposal;
  // The identity was given by the user (the command line's --identity): it is printed when
  // CNPJCPF.KSD is missing, which is otherwise an error.
  bool identityGiven = false;
  // How the refusal of a proposal never saved tells to save it (the button, or `cotavia fill`).
  SaveHow saveHow = SaveHow::Button;
  // State kept after the printout (the page-number text of the last page).
  QByteArray lastPageText;
};

// imprime_licitacao: refuses a proposal never saved (no response file) before anything opens,
// then opens the job, runs Setup, places the pages (every line within the chosen model's 8-inch
// line) and closes the job (which previews or prints as the engine is set). Throws AppError for
// a proposal never saved, a response file that cannot be read, a missing identity file while
// FORNEC.KSD exists (unless identityGiven), an amount that does not convert, or a printout that
// would need more pages than a job holds (checked before anything is placed); the job is
// abandoned then. Returns false when the setup was cancelled. The engine's errors on closing
// (a print run without preview) are thrown as the engine throws them.
bool imprime_licitacao(TTxPrint& tx, TextPrintout& p);
// The same job, placed and left open instead of closed: the caller makes its outputs from it
// (GravarImpressao, GravarTexto, Imprimir...) and ends it with Abortar.
bool placeTextPrintout(TTxPrint& tx, TextPrintout& p);

}  // namespace cotavia
