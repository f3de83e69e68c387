#include "app/core/save.h"

#include "platform/amounts.h"
#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>

#include <sys/stat.h>

namespace cotavia {

QString saveProposal(const ProposalRef& ref, const Proposal& proposal, const SupplierData& supplier) {
  checkIdentityForFileName(ref.identity);
  // One save at a time per proposal, and the three files written as one: the printouts, read from
  // the response file and the supplier file, then always agree with the input file.
  const SaveLock lock(ref.folder, ref.inputFileName);
  finishInterruptedSave(ref.folder, ref.inputFileName, lock);
  return saveProposal(ref, proposal, supplier, lock);
}

QString saveProposal(const ProposalRef& ref, const Proposal& proposal, const SupplierData& supplier,
                     const SaveLock& /*held: the caller holds the lock*/) {
  checkIdentityForFileName(ref.identity);
  checkSaveName(ref.folder, responseFileName(ref.identity, ref.inputFileName), NAME_MAX);
  // Every refusal happens here, before anything is written.
  const QByteArray content = crlfLines(responseFileLines(proposal));
  const QString response = ref.responsePath();
  saveTogether(ref.folder, ref.inputFileName,
               {{response, content},
                {ref.inputPath(), content},
                {joinPath(ref.folder, kSupplierFileName), crlfLines(supplierDataLines(supplier))}});
  return response;
}

QByteArray savedFilesStamp(const ProposalRef& ref) {
  QByteArray stamp;
  for (const QString& path : {ref.inputPath(), ref.responsePath()}) {
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

QString exportTargetPath(const QString& targetFolder, const ProposalRef& ref) {
  return joinPath(targetFolder, responseFileName(ref.identity, ref.inputFileName));
}

QString exportQuestion(const QString& targetPath) {
  return QStringLiteral("Exportar o Arquivo para: ") + targetPath + QStringLiteral(" ???");
}

QString exportProposal(const ProposalRef& ref, const QString& targetFolder) {
  checkIdentityForFileName(ref.identity);
  const QString source = ref.responsePath();
  const QString dest = exportTargetPath(targetFolder, ref);
  if (!QFileInfo(targetFolder).isDir()) throw AppError(ErrorKind::NotFound, targetFolder, "pasta não encontrada");
  removeStaleTemporaryFiles(targetFolder);  // an export killed halfway left its copy on the pen drive
  copyFileChecked(source, dest);
  return dest;
}

bool hasUnsavedChanges(const EditorState& saved, const EditorState& now) {
  return saved.rows != now.rows || saved.supplier.name != now.supplier.name ||
         saved.supplier.address != now.supplier.address || saved.supplier.city != now.supplier.city;
}

bool exportIsInPlace(const ProposalRef& ref, const QString& targetFolder) {
  const QString from = QFileInfo(ref.folder).canonicalFilePath();
  return !from.isEmpty() && from == QFileInfo(targetFolder).canonicalFilePath();
}

// Anything at the response file's name counts: a FIFO or a folder there is refused by the reader,
// naming it, rather than taken for a proposal never saved.
bool proposalSaved(const ProposalRef& ref) { return QFileInfo::exists(ref.responsePath()); }

QString notSavedText(const ProposalRef& ref, SaveHow how) {
  const QString what = QStringLiteral("a proposta ") + ref.inputFileName +
                       QStringLiteral(" ainda não foi gravada, por isso não há o que imprimir");
  if (how == SaveHow::CommandLine)
    return what + QStringLiteral(
                      ": grave-a com \"cotavia fill\" (ou com o botão \"Gravar\" do programa) e imprima "
                      "de novo");
  return QStringLiteral("A") + what.mid(1) +
         QStringLiteral(".\rPressione \"Gravar\" para gravá-la e depois \"Imprimir\" de novo.");
}

void requireSavedProposal(const ProposalRef& ref, SaveHow how) {
  if (!proposalSaved(ref))
    throw AppError(ErrorKind::NotSaved, ref.responsePath(), notSavedText(ref, how).toStdString());
}

PrintedProposal printedProposal(const ProposalRef& ref) {
  if (proposalSaved(ref)) return {responseFileName(ref.identity, ref.inputFileName), false};
  return {ref.inputFileName, true};
}

bool inputDiffersFromSaved(const ProposalRef& ref) {
  if (!proposalSaved(ref) || !QFileInfo::exists(ref.inputPath())) return false;
  // Readable regular files of different sizes differ: nothing to read.
  const QFileInfo input(ref.inputPath()), response(ref.responsePath());
  const auto plain = [](const QFileInfo& f) { return f.isFile() && !f.isSymLink() && f.isReadable(); };
  if (plain(input) && plain(response) && input.size() != response.size()) return true;
  try {
    return readWholeFile(ref.inputPath()) != readWholeFile(ref.responsePath());
  } catch (const AppError&) {
    return false;
  }
}

QString inputDiffersQuestion(const ProposalRef& ref) {
  const QString saved = responseFileName(ref.identity, ref.inputFileName);
  return QStringLiteral(
             "O arquivo %1 não é igual à proposta gravada (%2): ele foi copiado de novo para a pasta ou "
             "alterado depois da última gravação.\rDeseja abrir a proposta gravada?\r\r"
             "Sim: abre a proposta gravada, com os preços que foram gravados e entregues.\r"
             "Não: abre o arquivo %1 como está agora; ao gravar, ele substitui a proposta gravada.\r"
             "Cancelar: volta sem abrir a proposta.")
      .arg(ref.inputFileName, saved);
}

QString inputDiffersNote(const ProposalRef& ref) {
  return QStringLiteral(
             "o arquivo %1 foi copiado de novo ou alterado depois da última gravação e não é igual à "
             "proposta gravada: foi usada a proposta gravada, %2.")
      .arg(ref.inputFileName, responseFileName(ref.identity, ref.inputFileName));
}

}  // namespace cotavia
