#include "app/core/proposal_file.h"

#include "platform/amounts.h"
#include "platform/codepage.h"
#include "platform/files.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <optional>

namespace cotavia {

namespace {

// Field positions of an item record (0-based offset, length).
struct Field {
  int offset;
  int length;
};
constexpr Field kItem{1, 4};
constexpr Field kCode{5, 6};
constexpr Field kDescription{11, 100};
constexpr Field kQuantity{111, 13};
constexpr Field kUnit{124, 4};
constexpr Field kUnitPrice{128, 11};
constexpr Field kDiscount{139, 11};
constexpr Field kSurcharge{150, 11};
constexpr Field kTotal{161, 11};
constexpr Field kBrand{172, kBrandWidth};

constexpr int kHeaderRecordWidth = 200;

bool isBlank(const QByteArray& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) > ' ') return false;
  return true;
}

QByteArray field(const QByteArray& line, Field f) {
  if (line.size() <= f.offset) return {};
  return line.mid(f.offset, f.length);
}

// A money field: blank -> a cell of `width` blanks; else the number / divisor formatted.
QByteArray moneyCell(const QByteArray& text, long double divisor, int decimals, int width) {
  if (isBlank(text)) return QByteArray(width, ' ');
  return padLeft(formatAmount(strToFloat(text) / divisor, decimals, 12), width);
}

std::string itemName(const GridRow& row, int index) {
  return "item " + textForMessage(trimRight(row[ColItem])) + " (linha " + std::to_string(index + 1) + ")";
}

// The digits of an amount cell as the response file holds them, or blanks for an empty cell.
// With `check`, refuses amounts that need a sign or do not fit the field.
QByteArray amountField(const GridRow& row, int index, int column, int width, bool blankAllowed, const char* what,
                       bool check) {
  const QByteArray& cell = row[column];
  if (blankAllowed && isBlank(cell)) return QByteArray(width, ' ');
  if (check && cell.trimmed().startsWith('-'))
    throw AppError(itemName(row, index) + ": " + what + " negativo (" + textForMessage(cell.trimmed()) +
                   "); a proposta não pode conter valores negativos");
  // A cell in exponent form ("2E16") holds a number far too large for any column, and its
  // digits alone would be another number.
  if (check && (cell.contains('E') || cell.contains('e')))
    throw AppError(itemName(row, index) + ": " + what + " " + textForMessage(cell.trimmed()) +
                   " grande demais para a sua coluna do arquivo");
  long double value = 0;
  try {
    value = somente_numeros(cell);
  } catch (const AppError& e) {
    if (!check) throw;
    throw AppError(itemName(row, index) + ": " + what + ": " + e.what());
  }
  QByteArray digits = formatGeneral(value);
  if (check && digits.size() > width)
    throw AppError(itemName(row, index) + ": " + what + " " + textForMessage(cell.trimmed()) +
                   " grande demais para a sua coluna do arquivo");
  return padLeft(digits, width);
}

// A text cell in its columns: padded with blanks to the field's width, so every later field
// stays in place. A text wider than the field is refused, whichever screen or command put it
// there: written whole it would shift the columns, and a reader would cut it.
QByteArray textField(const GridRow& row, int index, int column, Field f, const char* what) {
  const QByteArray& cell = row[column];
  if (cell.size() > f.length)
    throw AppError(itemName(row, index) + ": " + what + " '" + textForMessage(cell.left(40)) +
                   (cell.size() > 40 ? "...' tem " : "' tem ") + std::to_string(cell.size()) +
                   " caracteres, mais que os " + std::to_string(f.length) +
                   " da sua coluna do arquivo: deixe no máximo " + std::to_string(f.length) + " e grave de novo");
  return padRight(cell, f.length);
}

QByteArray buildRecord(const GridRow& row, int index) {
  QByteArray line;
  line.reserve(kBrand.offset + kBrand.length);
  line += 'I';
  line += textField(row, index, ColItem, kItem, "o número do item");
  line += textField(row, index, ColCode, kCode, "o código");
  line += textField(row, index, ColDescription, kDescription, "a descrição");
  line += amountField(row, index, ColQuantity, kQuantity.length, false, "quantidade", true);
  line += textField(row, index, ColUnit, kUnit, "a unidade");
  line += amountField(row, index, ColUnitPrice, kUnitPrice.length, true, "preço unitário", true);
  line += amountField(row, index, ColDiscount, kDiscount.length, true, "desconto", true);
  line += amountField(row, index, ColSurcharge, kSurcharge.length, true, "acréscimo", true);
  line += amountField(row, index, ColTotal, kTotal.length, true, "total do item", true);
  // The brand ends the record: checked for its width, not padded.
  if (row[ColBrand].size() > kBrand.length) textField(row, index, ColBrand, kBrand, "a marca");
  line += row[ColBrand];
  return line;
}

// "N MB, mais que o limite de 32 MB de um arquivo de proposta".
std::string overSizeLimit(qint64 bytes) {
  const qint64 mb = 1024 * 1024;
  return std::to_string((bytes + mb - 1) / mb) + " MB, mais que o limite de " +
         std::to_string(kMaxProposalFileBytes / mb) + " MB de um arquivo de proposta";
}

// Refuses a proposal file larger than the program opens.
// The header texts: the first lines of the file, from their second character on.
void readHeader(const QList<QByteArray>& lines, Proposal& into) {
  for (int i = 0; i < HeaderCount && i < lines.size(); ++i) into.header[i] = lines[i].mid(1);
}

void checkProposalSize(const QString& fileName, qint64 bytes) {
  if (bytes > kMaxProposalFileBytes)
    throw ProposalLoadError(fileName, 0,
                            "o arquivo tem " + overSizeLimit(bytes) + "; confira se é o arquivo da licitação");
}

}  // namespace

ProposalLoadError::ProposalLoadError(const QString& file, int line, const std::string& runtimeText, ErrorKind kind)
    : AppError(kind, file, line, runtimeText) {}

GridRow parseItemLine(const QByteArray& line) {
  GridRow row;
  row[ColQuantity] = padLeft(formatAmount(strToFloat(field(line, kQuantity)) / 10000.0L, 4, 14), kQuantityWidth);
  row[ColUnitPrice] = moneyCell(field(line, kUnitPrice), 10000.0L, 4, kMoneyWidth);
  row[ColDiscount] = moneyCell(field(line, kDiscount), 100.0L, 2, kMoneyWidth);
  row[ColSurcharge] = moneyCell(field(line, kSurcharge), 100.0L, 2, kMoneyWidth);
  row[ColTotal] = isBlank(field(line, kTotal))
                      ? QByteArray(kTotalWidth, ' ')
                      : padLeft(formatAmount(strToFloat(field(line, kTotal)) / 100.0L, 2, 12), kTotalWidth);
  row[ColItem] = field(line, kItem);
  row[ColCode] = field(line, kCode);
  row[ColDescription] = field(line, kDescription);
  row[ColUnit] = field(line, kUnit);
  row[ColBrand] = field(line, kBrand);
  return row;
}

namespace {

// The byte order mark a text editor may put at the start of a file, and the text encoding it
// announces; nullopt without one.
struct TextMark {
  QStringDecoder::Encoding encoding;
  int size;
  const char* name;
};
std::optional<TextMark> textMark(const QByteArray& content) {
  if (content.startsWith("\xEF\xBB\xBF")) return TextMark{QStringDecoder::Utf8, 3, "UTF-8"};
  if (content.startsWith("\xFF\xFE")) return TextMark{QStringDecoder::Utf16LE, 2, "UTF-16"};
  if (content.startsWith("\xFE\xFF")) return TextMark{QStringDecoder::Utf16BE, 2, "UTF-16"};
  return std::nullopt;
}

// The proposal as the program reads it: Windows-1252 bytes, one character per column. A file a
// text editor saved as UTF-8 or UTF-16 with its mark is converted (the mark itself is not part of
// the first header); one whose bytes do not follow its mark, or holding a character Windows-1252
// cannot hold, is refused.
QByteArray proposalText(const QByteArray& content, const QString& fileName) {
  const std::optional<TextMark> mark = textMark(content);
  if (!mark) return content;
  QStringDecoder decoder(mark->encoding, QStringDecoder::Flag::Stateless);
  const QString text = decoder.decode(QByteArrayView(content).sliced(mark->size));
  const std::string encoding = mark->name;
  // Bytes that form no character (half of one at the end) come back as the replacement character.
  if (decoder.hasError() || text.contains(QChar::ReplacementCharacter))
    throw ProposalLoadError(fileName, 0,
                            "o arquivo começa com a marca de texto " + encoding + ", mas o seu conteúdo não é texto " +
                                encoding + ": não é um arquivo de proposta que o programa consiga ler");
  if (const QString bad = notInCp1252(text); !bad.isEmpty())
    throw ProposalLoadError(fileName, 0,
                            "o arquivo, em texto " + encoding + ", contém " + bad.toStdString() +
                                ", que um arquivo de proposta não pode guardar (Windows-1252)");
  return toCp1252(text);
}

}  // namespace

void parseProposal(const QByteArray& fileContent, const QString& fileName, Proposal& into) {
  into = Proposal();
  checkProposalSize(fileName, fileContent.size());
  const QByteArray content = proposalText(fileContent, fileName);
  const QList<QByteArray> lines = splitLines(content);
  readHeader(lines, into);
  into.rows.reserve(lines.size());
  into.sourceLines.reserve(lines.size());
  for (int i = 0; i < lines.size(); ++i) {
    const QByteArray& line = lines[i];
    if (line.isEmpty() || line[0] != 'I') continue;
    try {
      into.rows.append(parseItemLine(line));
    } catch (const AppError& e) {
      throw ProposalLoadError(fileName, i + 1, e.detail());
    }
    into.sourceLines.append(i + 1);
  }
  // An empty file, one with only a header, one in another encoding: saved over, it would be lost.
  if (into.rows.isEmpty())
    throw ProposalLoadError(fileName, 0,
                            "o arquivo não tem nenhum item (linha que comece com \"I\"): não é um arquivo de proposta "
                            "que o programa consiga ler");
}

namespace {

// A proposal file's bytes (only its header lines when `headerOnly`), refused as a load error
// on line 0.
QByteArray readProposalFile(const QString& path, bool headerOnly) {
  checkProposalSize(path, QFileInfo(path).size());
  try {
    const QByteArray start = headerOnly ? readFileStart(path, HeaderCount) : readWholeFile(path);
    // Lines of UTF-16 text are not cut at a line-end byte: the whole file is converted.
    if (headerOnly && textMark(start) && textMark(start)->encoding != QStringDecoder::Utf8) return readWholeFile(path);
    return start;
  } catch (const AppError& e) {
    // The cause alone ("File not found"): the load error names the file itself.
    throw ProposalLoadError(path, 0, e.detail(), e.kind());
  }
}

}  // namespace

void loadProposal(const QString& path, Proposal& into) {
  into = Proposal();
  parseProposal(readProposalFile(path, false), path, into);
}

Proposal loadProposalHeader(const QString& path) {
  Proposal p;
  readHeader(splitLines(proposalText(readProposalFile(path, true), path)), p);
  return p;
}

Proposal loadProposal(const QString& path) {
  Proposal p;
  loadProposal(path, p);
  return p;
}

int itemCount(const QList<GridRow>& rows) {
  int n = 0;
  while (n < rows.size() && !isBlank(rows[n][ColItem])) ++n;
  return n;
}

QString responseFileName(const QByteArray& identity, const QString& inputFileName) {
  return "E" + fromCp1252(identity) + "_" + inputFileName;
}

QList<QByteArray> responseFileLines(const Proposal& p) {
  QList<QByteArray> lines;
  const int count = itemCount(p.rows);
  lines.reserve(HeaderCount + count);
  for (const QByteArray& h : p.header) lines.append(padRight("C" + h, kHeaderRecordWidth));

  // The row without item number and the rows after it are not part of the item list; refuse
  // when that would drop an item instead of saving a proposal with fewer items than it read.
  for (int i = count; i < p.rows.size(); ++i) {
    const GridRow& r = p.rows[i];
    bool hasData = false;
    for (const QByteArray& c : r) hasData = hasData || !isBlank(c);
    if (hasData)
      throw AppError("a linha " + std::to_string(count + 1) +
                     " não tem número de item: ela e as linhas seguintes ficariam fora da proposta gravada; "
                     "corrija o número do item no arquivo da proposta");
  }

  if (count == 0)
    throw AppError(
        "a proposta não tem nenhum item; gravada, ela substituiria o arquivo da licitação por um arquivo sem itens. "
        "Nada foi gravado: copie de novo o arquivo da licitação e abra-o");
  qint64 bytes = 0;
  for (int i = 0; i < count; ++i) {
    lines.append(buildRecord(p.rows[i], i));
    bytes += lines.last().size() + 2;
  }
  for (int i = 0; i < HeaderCount; ++i) bytes += lines[i].size() + 2;
  if (bytes > kMaxProposalFileBytes)
    throw AppError("a proposta gravada teria " + overSizeLimit(bytes) + ", que o programa não abriria de novo");
  return lines;
}

void checkIdentityForFileName(const QByteArray& identity) {
  bool bad = identity.isEmpty() || identity.contains("..");
  for (char c : identity) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f || c == '/' || c == '\\') bad = true;
  }
  if (bad) {
    throw AppError("O CNPJ/CPF '" + textForMessage(identity) +
                   "' não pode fazer parte de um nome de arquivo: informe somente os números.");
  }
}

}  // namespace cotavia
