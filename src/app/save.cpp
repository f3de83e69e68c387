#include "app/save.h"

#include "app/amounts.h"
#include "platform/files.h"

#include <QDir>
#include <QFileInfo>

namespace cotavia {

QString gravar(const SaveTarget& target, const Proposal& proposal, const SupplierData& supplier) {
  checkIdentityForFileName(target.identity);
  // Every refusal happens here, before anything is written.
  const QByteArray content = crlfLines(responseFileLines(proposal));
  const QString response = joinPath(target.folder, responseFileName(target.identity, target.inputFileName));
  // One save at a time per proposal, and the three files written as one: the printouts, read from
  // the response file and the supplier file, then always agree with the input file.
  const SaveLock lock(target.folder, target.inputFileName);
  finishInterruptedSave(target.folder, target.inputFileName, lock);
  saveTogether(target.folder, target.inputFileName,
               {{response, content},
                {joinPath(target.folder, target.inputFileName), content},
                {joinPath(target.folder, kSupplierFileName), crlfLines(supplierDataLines(supplier))}});
  return response;
}

QString exportTargetPath(const QString& targetFolder, const SaveTarget& target) {
  return joinPath(targetFolder, responseFileName(target.identity, target.inputFileName));
}

QString exportQuestion(const QString& targetPath) {
  return QStringLiteral("Exportar o Arquivo para: ") + targetPath + QStringLiteral(" ???");
}

QString exportProposal(const SaveTarget& target, const QString& targetFolder) {
  checkIdentityForFileName(target.identity);
  const QString source = joinPath(target.folder, responseFileName(target.identity, target.inputFileName));
  const QString dest = exportTargetPath(targetFolder, target);
  if (!QFileInfo(targetFolder).isDir()) throw AppError(targetFolder.toStdString() + ": pasta não encontrada");
  copyFileChecked(source, dest);
  return dest;
}

}  // namespace cotavia
