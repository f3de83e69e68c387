#include "app/core/save.h"

#include "platform/amounts.h"
#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>

#include <sys/stat.h>

namespace cotavia {

QString gravar(const SaveTarget& target, const Proposal& proposal, const SupplierData& supplier) {
  checkIdentityForFileName(target.identity);
  // One save at a time per proposal, and the three files written as one: the printouts, read from
  // the response file and the supplier file, then always agree with the input file.
  const SaveLock lock(target.folder, target.inputFileName);
  return gravar(target, proposal, supplier, lock);
}

QString gravar(const SaveTarget& target, const Proposal& proposal, const SupplierData& supplier, const SaveLock& held) {
  checkIdentityForFileName(target.identity);
  checkSaveName(target.folder, responseFileName(target.identity, target.inputFileName), NAME_MAX);
  // Every refusal happens here, before anything is written.
  const QByteArray content = crlfLines(responseFileLines(proposal));
  const QString response = responsePath(target);
  finishInterruptedSave(target.folder, target.inputFileName, held);
  saveTogether(target.folder, target.inputFileName,
               {{response, content},
                {joinPath(target.folder, target.inputFileName), content},
                {joinPath(target.folder, kSupplierFileName), crlfLines(supplierDataLines(supplier))}});
  return response;
}

QByteArray savedFilesStamp(const SaveTarget& target) {
  QByteArray stamp;
  for (const QString& path : {joinPath(target.folder, target.inputFileName), responsePath(target)}) {
    struct stat st {};
    // Only a file a save wrote counts (a folder or link in its place is refused by the save).
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
      stamp += "-;";
      continue;
    }
    stamp += QByteArray::number(qulonglong(st.st_dev)) + ':' + QByteArray::number(qulonglong(st.st_ino)) + ':' +
             QByteArray::number(qlonglong(st.st_size)) + ':' + QByteArray::number(qlonglong(st.st_mtim.tv_sec)) + '.' +
             QByteArray::number(qlonglong(st.st_mtim.tv_nsec)) + ';';
  }
  return stamp;
}

QString exportTargetPath(const QString& targetFolder, const SaveTarget& target) {
  return joinPath(targetFolder, responseFileName(target.identity, target.inputFileName));
}

QString responsePath(const SaveTarget& target) { return exportTargetPath(target.folder, target); }

QString exportQuestion(const QString& targetPath) {
  return QStringLiteral("Exportar o Arquivo para: ") + targetPath + QStringLiteral(" ???");
}

QString exportProposal(const SaveTarget& target, const QString& targetFolder) {
  checkIdentityForFileName(target.identity);
  const QString source = responsePath(target);
  const QString dest = exportTargetPath(targetFolder, target);
  if (!QFileInfo(targetFolder).isDir()) throw AppError(ErrorKind::NotFound, targetFolder, "pasta não encontrada");
  removeStaleTemporaryFiles(targetFolder);  // an export killed halfway left its copy on the pen drive
  copyFileChecked(source, dest);
  return dest;
}

bool hasUnsavedChanges(const EditorState& saved, const EditorState& now) {
  return saved.rows != now.rows || saved.supplier.name != now.supplier.name ||
         saved.supplier.address != now.supplier.address || saved.supplier.city != now.supplier.city;
}

bool exportIsInPlace(const SaveTarget& target, const QString& targetFolder) {
  const QString from = QFileInfo(target.folder).canonicalFilePath();
  return !from.isEmpty() && from == QFileInfo(targetFolder).canonicalFilePath();
}

// Anything at the response file's name counts: a FIFO or a folder there is refused by the reader,
// naming it, rather than taken for a proposal never saved.
bool proposalSaved(const SaveTarget& target) { return QFileInfo::exists(responsePath(target)); }

QString notSavedText(const SaveTarget& target, SaveHow how) {
  const QString what = QStringLiteral("a proposta ") + target.inputFileName +
                       QStringLiteral(" ainda não foi gravada, por isso não há o que imprimir");
  if (how == SaveHow::CommandLine)
    return what + QStringLiteral(
                      ": grave-a com \"cotavia fill\" (ou com o botão \"Gravar\" do programa) e imprima "
                      "de novo");
  return QStringLiteral("A") + what.mid(1) +
         QStringLiteral(".\rPressione \"Gravar\" para gravá-la e depois \"Imprimir\" de novo.");
}

void requireSavedProposal(const SaveTarget& target, SaveHow how) {
  if (!proposalSaved(target))
    throw AppError(ErrorKind::NotSaved, responsePath(target), notSavedText(target, how).toStdString());
}

PrintedProposal printedProposal(const SaveTarget& target) {
  if (proposalSaved(target)) return {responseFileName(target.identity, target.inputFileName), false};
  return {target.inputFileName, true};
}

bool inputDiffersFromSaved(const SaveTarget& target) {
  if (!proposalSaved(target) || !QFileInfo::exists(joinPath(target.folder, target.inputFileName))) return false;
  try {
    return readWholeFile(joinPath(target.folder, target.inputFileName)) != readWholeFile(responsePath(target));
  } catch (const AppError&) {
    return false;
  }
}

QString inputDiffersQuestion(const SaveTarget& target) {
  const QString saved = responseFileName(target.identity, target.inputFileName);
  return QStringLiteral(
             "O arquivo %1 não é igual à proposta gravada (%2): ele foi copiado de novo para a pasta ou "
             "alterado depois da última gravação.\rDeseja abrir a proposta gravada?\r\r"
             "Sim: abre a proposta gravada, com os preços que foram gravados e entregues.\r"
             "Não: abre o arquivo %1 como está agora; ao gravar, ele substitui a proposta gravada.\r"
             "Cancelar: volta sem abrir a proposta.")
      .arg(target.inputFileName, saved);
}

QString inputDiffersNote(const SaveTarget& target) {
  return QStringLiteral(
             "o arquivo %1 foi copiado de novo ou alterado depois da última gravação e não é igual à "
             "proposta gravada: foi usada a proposta gravada, %2.")
      .arg(target.inputFileName, responseFileName(target.identity, target.inputFileName));
}

}  // namespace cotavia
