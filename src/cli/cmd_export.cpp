// cotavia export: "Gerar Arquivo de Proposta" without the question.
#include "app/core/save.h"
#include "cli/cli.h"

#include <cstdio>

namespace cotavia::cli {

int cmdExport(const Args& a) {
  const QString dir = required(a, "dir");
  const QString proposalName = cli::proposalName(a);
  const QString to = required(a, "to");
  const QByteArray identity = identityFor(a, dir);
  const QString target = exportProposal({dir, proposalName, identity}, to);
  if (a.verbose()) std::printf("exportado: %s\n", target.toLocal8Bit().constData());
  return 0;
}

}  // namespace cotavia::cli
