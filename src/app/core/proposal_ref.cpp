#include "app/core/proposal_ref.h"

#include "app/core/proposal_file.h"
#include "platform/files.h"

namespace cotavia {

QString ProposalRef::inputPath() const { return joinPath(folder, inputFileName); }

QString ProposalRef::responsePath() const { return joinPath(folder, responseFileName(identity, inputFileName)); }

}  // namespace cotavia
