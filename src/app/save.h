#pragma once
// "Gravar" and "Gerar Arquivo de Proposta" without their screens: the GUI and `cotavia fill` /
// `cotavia export` call these.
#include "app/proposal_file.h"
#include "app/supplier.h"

namespace cotavia {

struct SaveTarget {
  QString folder;         // the program's folder
  QString inputFileName;  // the proposal input file's name, e.g. "P0001.KVT"
  QByteArray identity;    // the identity text held by the start screen
};

// "Gravar": checks the identity and every item first (nothing is written when one is refused:
// an amount too wide for its column, a negative amount, items that would be lost), then, holding
// the proposal's save lock, writes the response file FOLDER/E<identity>_<input>, the same bytes over
// FOLDER/<input> and FOLDER/FORNEC.KSD as one save (see saveTogether: a failure leaves the three
// as they were, a kill is finished later). Throws AppError naming the file or the item (a second
// save of the same proposal running: kind Busy). Returns the response file's path.
QString gravar(const SaveTarget& target, const Proposal& proposal, const SupplierData& supplier);

// The export target path: targetFolder + "/E" + identity + "_" + input name.
QString exportTargetPath(const QString& targetFolder, const SaveTarget& target);

// The export question: "Exportar o Arquivo para: " + path + " ???".
QString exportQuestion(const QString& targetPath);

// "Gerar Arquivo de Proposta" after Yes: copies the response file as last saved from the
// program's folder to targetFolder under the same name, checked (a missing response file, a
// missing or read-only target folder are reported). Copying the file onto itself leaves it as
// it is. Returns the target path.
QString exportProposal(const SaveTarget& target, const QString& targetFolder);

}  // namespace cotavia
