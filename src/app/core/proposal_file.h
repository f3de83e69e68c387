#pragma once
// The proposal data: the input file P*.KVT (read into six header texts and the item grid's
// rows) and the proposal response file "E" + identity + "_" + input name (written from them).
// Both files share one fixed-column record layout, Windows-1252, lines ending CR LF.
#include "platform/error.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

namespace cotavia {

// Grid columns of an item row, as the editor's grid shows them.
enum GridColumn {
  ColItem = 0,  // item number, 4 characters
  ColCode = 1,  // item code, 6 characters
  ColDescription = 2,
  ColQuantity = 3,  // 4 decimals, right-aligned in 14
  ColUnit = 4,
  ColUnitPrice = 5,  // 4 decimals, right-aligned in 10, or 10 blanks
  ColDiscount = 6,   // 2 decimals, right-aligned in 10, or 10 blanks
  ColSurcharge = 7,  // 2 decimals, right-aligned in 10, or 10 blanks
  ColTotal = 8,      // 2 decimals, right-aligned in 14, or 14 blanks
  ColBrand = 9,
  GridColumnCount = 10
};

// Cell widths of the formatted amounts (longer texts are kept whole).
constexpr int kQuantityWidth = 14;
constexpr int kMoneyWidth = 10;  // unit price, discount, surcharge
constexpr int kTotalWidth = 14;
// Characters of the brand the file keeps (columns 173-192).
constexpr int kBrandWidth = 20;

// One grid row: the ten cell texts, exactly as the grid shows them.
using GridRow = std::array<QByteArray, GridColumnCount>;

// Header fields, in file order.
enum HeaderField {
  HeaderOrgao = 0,       // bidding body ("Licitante"), Edit_Orgao
  HeaderEndereco = 1,    // its address, Edit_Endereco
  HeaderModalidade = 2,  // Edit_Modalidade
  HeaderObjeto = 3,      // Edit_Objeto
  HeaderEntrega = 4,     // delivery date and time, Edit_Entrega
  HeaderAbertura = 5,    // opening date and time, EditAbertura
  HeaderCount = 6
};

struct Proposal {
  std::array<QByteArray, HeaderCount> header;  // text from column 2 on, trailing blanks kept
  QList<GridRow> rows;                         // grid rows 1, 2, 3 ... (row 0, the titles, is not here)
  // For messages: the file line each row was read from (1-based; 0 for rows made in memory).
  QList<int> sourceLines;
};

// A proposal file that failed to load. what() names the file and line:
// "/dir/P0001.KVT:9: '12a' is not a valid floating point value"; runtimeText() is the
// runtime's message alone ("'12a' is not a valid floating point value"). line() is 0 when the
// file itself could not be read (the kind is then the read's: NotFound, Io ...) or is not a
// proposal as a whole (no item, an encoding it cannot be read in: Damaged); otherwise the kind is
// Damaged.
class ProposalLoadError : public AppError {
 public:
  ProposalLoadError(const QString& file, int line, const std::string& runtimeText, ErrorKind kind = ErrorKind::Damaged);
  const std::string& runtimeText() const { return detail(); }
};

// The largest proposal file the program opens or writes, in bytes (about 170,000 items, where a
// call for bids holds a few thousand). In memory a proposal takes seven to ten times its file's
// size, so a larger file is refused, naming it, before it is read, and a save that would write
// one is refused: every proposal the program saves opens again.
constexpr qint64 kMaxProposalFileBytes = 32LL * 1024 * 1024;

// Reads the proposal input file (or a response file: same layout) into `into`, which is
// cleared first. Header: the first six lines without their first character (missing lines
// give empty texts). Items: every line whose first character is "I", in file order, however
// many there are. Line ends CR LF, a lone LF or a lone CR. A file saved as UTF-8 or UTF-16 text
// with its byte order mark is read converted to Windows-1252 (refused when a character has no
// place there, or the bytes do not follow the mark); a file without any item record is refused,
// as it is not a proposal the program can read (and saving it would replace the input).
// On a number that does not convert, throws ProposalLoadError; `into` keeps the header and the
// rows read before the failing line. A file that cannot be read throws ProposalLoadError with
// line 0 ("File not found" for a missing one, or a file over kMaxProposalFileBytes) and leaves
// `into` empty.
void loadProposal(const QString& path, Proposal& into);
Proposal loadProposal(const QString& path);
// Only the header of a proposal file (its first lines; the items are not read). Fails as
// loadProposal fails to open a file.
Proposal loadProposalHeader(const QString& path);
// The same over content already in memory; `fileName` only names the file in messages.
void parseProposal(const QByteArray& content, const QString& fileName, Proposal& into);

// One item line of the input file turned into a grid row (throws invalidFloat on a bad number).
GridRow parseItemLine(const QByteArray& line);

// Number of rows that form the item list: rows up to, not including, the first one whose item
// number (column 0) is empty after removing trailing blanks.
int itemCount(const QList<GridRow>& rows);

// "E" + identity + "_" + input file name: E12345678000190_P0001.KVT.
QString responseFileName(const QByteArray& identity, const QString& inputFileName);

// The response file's lines (without line ends): six header records "C" + text padded to 200,
// then one item record per row of the item list (item number, code, description and unit padded
// to their columns). Refuses, with an AppError naming the item and the field ("item 0007 (linha
// 7): ..."), an amount that needs a sign or is too wide for its column and a text wider than its
// column (a brand over 20 characters); a proposal without any item (it would replace a file the
// program could not read); a row without item number holding data, which would be lost with
// every row after it (a save never writes fewer items than were read); and a file larger than
// kMaxProposalFileBytes.
QList<QByteArray> responseFileLines(const Proposal& p);

// Checks that an identity can be part of a file name: not empty, no path separator, no "..",
// no control character. Throws AppError otherwise.
void checkIdentityForFileName(const QByteArray& identity);

}  // namespace cotavia
