#pragma once
// "Gravar" and "Gerar Arquivo de Proposta" without their screens: the GUI and `cotavia fill` /
// `cotavia export` call these.
#include "app/core/proposal_file.h"
#include "app/core/proposal_ref.h"
#include "app/core/supplier.h"
#include "platform/files.h"

namespace cotavia {

// "Gravar": checks the identity and every item first (nothing is written when one is refused:
// an amount too wide for its column, a negative amount, items that would be lost), then, holding
// the proposal's save lock, writes the response file FOLDER/E<identity>_<input>, the same bytes over
// FOLDER/<input> and FOLDER/FORNEC.KSD as one save (see saveTogether: a failure leaves the three
// as they were, a kill is finished later). Throws AppError naming the file or the item (a second
// save of the same proposal running: kind Busy). Returns the response file's path.
QString saveProposal(const ProposalRef& ref, const Proposal& proposal, const SupplierData& supplier);
// The same for a caller that already holds the proposal's save lock, taken before it read the
// proposal it changed (so no other save can come in between the reading and the writing), and
// that has finished an interrupted save of it under that lock before reading.
QString saveProposal(const ProposalRef& ref, const Proposal& proposal, const SupplierData& supplier,
                     const SaveLock& held);

// What the files holding a proposal's prices (the input file and the response file) are on disk
// now: each one's identity, size and time of change, or its absence. Every save replaces them, so
// a stamp taken when a proposal was read differs once another window or command has saved it.
QByteArray savedFilesStamp(const ProposalRef& ref);

// The export target path: targetFolder + "/E" + identity + "_" + input name.
QString exportTargetPath(const QString& targetFolder, const ProposalRef& ref);

// The export question: "Exportar o Arquivo para: " + path + " ???".
QString exportQuestion(const QString& targetPath);

// What "Gravar" writes, as the editor holds it: the rows of the item grid and the supplier's
// name, address and city. Kept when a proposal is loaded and after each save that succeeds.
struct EditorState {
  QList<GridRow> rows;
  SupplierData supplier;
};
// Unsaved changes: a row (an item confirmed with OK, a price list imported) or a supplier field
// differs from the state last loaded or saved. Confirming an item with what it already held, or
// typing a field back to what it was, changes nothing.
bool hasUnsavedChanges(const EditorState& saved, const EditorState& now);

// True when the export folder is the program's folder itself (by any path to it): the response
// file is already there and exporting would copy nothing.
bool exportIsInPlace(const ProposalRef& ref, const QString& targetFolder);

// "Gerar Arquivo de Proposta" after Yes: copies the response file as last saved from the
// program's folder to targetFolder under the same name, checked (a missing response file, a
// missing or read-only target folder are reported). Copying the file onto itself leaves it as
// it is. Returns the target path.
QString exportProposal(const ProposalRef& ref, const QString& targetFolder);

// Both printouts print what "Gravar" wrote: the proposal has been saved when its response file
// FOLDER/E<identity>_<input> exists.
bool proposalSaved(const ProposalRef& ref);
// What a printout of a proposal never saved says: that it has not been saved yet and how to save
// it, with the "Gravar" button (a message of the screens) or with `cotavia fill` (one line of the
// command line).
enum class SaveHow { Button, CommandLine };
QString notSavedText(const ProposalRef& ref, SaveHow how);
// Throws, for a proposal never saved, an AppError (NotFound, naming the response file) with
// notSavedText.
void requireSavedProposal(const ProposalRef& ref, SaveHow how);

// What every printout prints: the response file, the proposal as delivered. A proposal never
// saved has none; the graphic printout then shows the input file's items without amounts (the
// call as received, to study it), while the text printout refuses (requireSavedProposal).
struct PrintedProposal {
  QString fileName;       // in the proposal's folder: E<identity>_<input>, or the input itself
  bool unpriced = false;  // never saved: the input's amounts are left out
};
PrintedProposal printedProposal(const ProposalRef& ref);

// The input file and the response file both exist and hold different bytes: the input was copied
// in again (or replaced) after the last "Gravar", which writes the two alike. false when either
// cannot be read (opening it then says why).
bool inputDiffersFromSaved(const ProposalRef& ref);
// What is said then: the editor's question (Sim opens the saved proposal, Não the input file as
// it is now, Cancelar neither), and the command line's note that it used the saved proposal.
QString inputDiffersQuestion(const ProposalRef& ref);
QString inputDiffersNote(const ProposalRef& ref);

}  // namespace cotavia
