// cotavia export: "Gerar Arquivo de Proposta" without the question.
#include "app/core/save.h"
#include "cli/cli.h"

#include <cstdio>

namespace cotavia::cli {

int cmdExport(const Args& a) {
  const QString to = required(a, "to");
  const QString target = exportProposal(proposalRef(a), to);
  if (a.verbose()) std::printf("exportado: %s\n", target.toLocal8Bit().constData());
  return 0;
}

}  // namespace cotavia::cli
