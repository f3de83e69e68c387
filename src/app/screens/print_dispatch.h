#pragma once
// "Imprimir" of the proposal editor: the choice of ComboBox_TipoImpr decides between the text
// printout (index 0) and the graphic report (any other index, -1 included).
#include "app/core/proposal_report.h"

#include <QByteArray>
#include <QString>

class QWidget;

namespace cotavia {

struct PrintRequest {
  QWidget* editor = nullptr;  // owner of the engine windows
  ProposalRef proposal;
  int choice = 1;  // ComboBox_TipoImpr's index
};

// What bbtn_importarClick runs: the chosen printout with its windows; errors go to the dialog
// service. Both print the response file; the graphic report of a proposal never saved shows the
// input file's items without amounts.
void printProposal(const PrintRequest& req);
// A graphic report in the report preview, its windows owned by `owner`; printing happens from
// there. The PDF printer offers `pdfSuggestion` (with no printer installed it stands in), and a
// report written to a PDF file says where. Throws what the report throws.
void previewReport(TRpReport& report, QWidget* owner, const QString& pdfSuggestion);

}  // namespace cotavia
