#include "app/core/save.h"

#include "platform/amounts.h"
#include "platform/files.h"

#include <QDir>
#include <QFileInfo>

namespace cotavia {

QString gravar(const SaveTarget& target, const Proposal& proposal, const SupplierData& supplier) {
  checkIdentityForFileName(target.identity);
  // Every refusal happens here, before anything is written.
  const QList<QByteArray> lines = responseFileLines(proposal);
  const QString response = joinPath(target.folder, responseFileName(target.identity, target.inputFileName));
  atomicWriteLines(response, lines);
  copyFileChecked(response, joinPath(target.folder, target.inputFileName));
  writeSupplierData(target.folder, supplier);
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
