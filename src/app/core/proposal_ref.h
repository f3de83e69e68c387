#pragma once
// Which proposal a window or command works on: the folder, the input file and the identity that
// names the response file. The start screen and the command line make one; saving, printing,
// exporting and the price memory take it.
#include <QByteArray>
#include <QString>

namespace cotavia {

struct ProposalRef {
  QString folder;         // the program's folder
  QString inputFileName;  // the proposal input file's name, without folder, e.g. "P0001.KVT"
  QByteArray identity;    // the CNPJ/CPF as CNPJCPF.KSD keeps it (Windows-1252)

  // FOLDER/<input>.
  QString inputPath() const;
  // The response file in the proposal's own folder: FOLDER/E<identity>_<input>.
  QString responsePath() const;
};

}  // namespace cotavia
