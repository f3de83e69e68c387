#include "app/core/text_printout.h"

#include "app/core/proposal_file.h"
#include "app/core/save.h"
#include "app/core/supplier.h"
#include "platform/amounts.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"
#include "textprint/txitem.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace cotavia {

namespace {

QByteArray cp(const char* utf8) { return toCp1252(QString::fromUtf8(utf8)); }

const TFonte kBold10 = TFonte::negrito | TFonte::normal;
const TFonte kItalic10 = TFonte::italico | TFonte::normal;
const TFonte kCondensed17 = TFonte::comp17;
const TFonte kBoldCondensed17 = TFonte::negrito | TFonte::comp17;

// Item totals are summed as 64-bit counts of cents: an 11-digit total does not fit 32 bits.
qint64 strToInt64(const QByteArray& text) {
  const QByteArray t = text.trimmed();
  qsizetype i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  if (i >= t.size() || t.size() - i > 18) throw invalidInteger(text.toStdString());
  qint64 v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') throw invalidInteger(text.toStdString());
    v = v * 10 + (t[i] - '0');
  }
  return negative ? -v : v;
}

bool blank(const QByteArray& field) { return field.trimmed().isEmpty(); }

// A printer line is 8 inches: the page's 80 columns of 10 cpi. The heading's boxes close with a
// bar in column 80, whose cell begins at 7.9 inches.
constexpr double kLineInches = 8.0;
constexpr double kBoxEdgeInches = 7.9;

// How many characters of pitch `passo` fit from column `coluna` up to `ate` inches on a printer
// of the model (condensed text is narrower on Epson-class printers than on HP).
int charsThatFit(TModelo model, int pitch, int column, double upTo) {
  return static_cast<int>(std::floor((upTo - (column - 1) / 10.0) * PassoImpresso(model, pitch) + 1e-6));
}

// The column titles, made to end within `cabe` characters: the blanks before the last title
// ("Total") go first, so every other title stays over its column.
QByteArray columnTitles(int width) {
  QByteArray t =
      cp("Item Código Descrição                      Marca          Quantidade Unid       Pr.Unit.       "
         "Desconto      Acréscimo          Total");
  const qsizetype last = t.lastIndexOf(' ') + 1;
  qsizetype blanks = last;
  while (blanks > 0 && t[blanks - 1] == ' ') --blanks;
  const qsizetype cut = std::min<qsizetype>(t.size() - width, last - blanks - 1);
  if (cut > 0) t.remove(last - cut, cut);
  return t.left(width);
}

class Printout {
 public:
  Printout(TTxPrint& tx, TextPrintout& p) : tx_(tx), p_(p) {}
  // Opens the job, runs Setup and places the pages; the job stays open.
  bool open();
  // Places the pages of the response file on the open job, for its printer model.
  void place();

 private:
  void placePages(const QList<QByteArray>& lines);
  void heading();
  void newPage();
  void item(const QByteArray& line);
  QByteArray amounts(const QByteArray& line);
  // The engine's calls, left out while the pages are only counted. A text item carries no control
  // byte: one in a file (an ESC in a description would reach the printer as a command, ESC @
  // resetting it mid-page) is printed, and previewed, as a blank.
  void put(int line, int column, QByteArray text, TFonte font) {
    if (counting_) return;
    for (char& c : text)
      if (uchar(c) < 32) c = ' ';
    tx_.ImpF(line, column, text, font);
  }
  void box(int l1, int c1, int l2, int c2) {
    if (!counting_) tx_.Box(l1, c1, l2, c2, false);
  }

  TTxPrint& tx_;
  TextPrintout& p_;
  bool counting_ = false;  // lay the pages out without placing anything, to count them
  int page_ = 0;
  int line_ = 0;
  qint64 total_ = 0;
  QByteArray separator_;
  QList<QByteArray> fileHeader_;    // the response file's first six lines
  TModelo model_ = TModelo::Epson;  // the printer model chosen in the setup window
  bool supplierRead_ = false;
  QByteArray supplierLine_, addressLine_;
};

void Printout::newPage() {
  if (!counting_) tx_.NovaPagina();
  line_ = 14;
  heading();
}

void Printout::heading() {
  ++page_;
  if (counting_) return;
  put(1, 25, cp("LICITAÇÃO - PROPOSTA ELETRÔNICA"), kBold10);
  p_.lastPageText = QByteArray::number(page_).rightJustified(4, '0');
  put(1, 73, cp("Página: ") + p_.lastPageText, kCondensed17);
  box(4, 1, 12, 80);

  if (!supplierRead_) {
    // The supplier files do not change during a printout: read once, placed on every page.
    if (supplierDataExists(p_.proposal.folder)) {
      std::optional<QByteArray> id = readIdentityLine(p_.proposal.folder);
      if (!id && p_.identityGiven) id = padIdentity(p_.proposal.identity);
      if (!id) throw AppError(ErrorKind::NotFound, joinPath(p_.proposal.folder, kIdentityFileName), "File not found");
      const SupplierData s = readSupplierData(p_.proposal.folder);
      // Lines inside the box are cut where the printer's line ends (a long name or address
      // would wrap into a line of its own).
      supplierLine_ = (identityDisplay(*id) + "  -  " + s.name).left(charsThatFit(model_, 10, 2, kLineInches));
      addressLine_ = (s.address + " " + s.city).left(charsThatFit(model_, 17, 2, kLineInches));
    }
    supplierRead_ = true;
  }
  if (!supplierLine_.isEmpty()) {
    put(5, 2, supplierLine_, kBold10);
    put(6, 2, addressLine_, kCondensed17);
  }

  auto centred = [&](int pageLine, const QByteArray& record, int start, TFonte font) {
    const qsizetype n = trimRight(record).size();
    const QByteArray text = record.mid(start - 1, n).left(charsThatFit(model_, 10, 1, kLineInches));
    // A heading wider than the page starts at column 1 instead of a position left of it.
    const int column = std::max(1, 40 - static_cast<int>(text.size() / 2));
    put(pageLine, column, text, font);
  };
  centred(2, fileHeader_[0], 6, kBold10);
  centred(3, fileHeader_[1], 2, kItalic10);
  for (int i = 2; i < 6; ++i)
    put(6 + i, 2, fileHeader_[i].mid(1, std::min(135, charsThatFit(model_, 17, 2, kLineInches))), kCondensed17);

  box(12, 1, 14, 80);
  // The titles end inside the box: on HP's wider condensed letters the full text would put the
  // box's right edge through "Total".
  put(13, 2, columnTitles(charsThatFit(model_, 17, 2, kBoxEdgeInches)), kCondensed17);
}

// The amounts line of an item record (brand, quantity, unit, unit price, discount, surcharge,
// total); adds the item total to the grand total.
QByteArray Printout::amounts(const QByteArray& r) {
  QByteArray quantity, unitPrice, discount, surcharge, itemTotal;
  long double q = 0;
  try {
    q = strToFloat(r.mid(111, 13)) / 10000;
  } catch (const AppError&) {
    q = 0;
  }
  quantity = formatAmount(q, 4, 14);
  // From 10 million on the thousands separators would push every column right: the quantity
  // keeps its 14 columns without them.
  if (quantity.size() > 14) quantity = formatFixed(q, 4, 14);
  if (const QByteArray f = r.mid(128, 11); !blank(f)) unitPrice = formatAmount(strToFloat(f) / 10000, 4, 12);
  if (const QByteArray f = r.mid(139, 11); !blank(f)) discount = formatAmount(strToFloat(f) / 100, 2, 12);
  if (const QByteArray f = r.mid(150, 11); !blank(f)) surcharge = formatAmount(strToFloat(f) / 100, 2, 12);
  if (const QByteArray f = r.mid(161, 11); !blank(f)) {
    itemTotal = formatAmount(strToFloat(f) / 100, 2, 12);
    total_ += strToInt64(f);
  }
  quantity = padLeft(quantity, 14);
  unitPrice = padLeft(unitPrice, 14);
  discount = padLeft(discount, 14);
  surcharge = padLeft(surcharge, 14);
  itemTotal = padLeft(itemTotal, 14);
  const QByteArray brand = padRight(trimRight(r.mid(172, 10)), 10);
  const QByteArray unit = padRight(trimRight(r.mid(124, 4)), 4);
  return brand + " " + quantity + " " + unit + " " + unitPrice + " " + discount + " " + surcharge + " " + itemTotal;
}

void Printout::item(const QByteArray& r) {
  const QByteArray number = r.mid(1, 4);
  const QByteArray code = r.mid(5, 6);
  const QByteArray description = trimRight(r.mid(11, 100));
  // Only the description decides how many lines an item takes.
  const QByteArray amounts = counting_ ? QByteArray() : this->amounts(r);

  for (qsizetype k = 0;; k += 29) {
    ++line_;
    const bool first = k == 0;
    put(line_, 2,
        (first ? number : QByteArray(4, ' ')) + " " + (first ? code : QByteArray(6, ' ')) + " " +
            description.mid(k, 29),
        kCondensed17);
    if (trimRight(description.mid(k + 29, 29)).isEmpty()) {
      put(line_, 27, amounts, kCondensed17);
      ++line_;
      put(line_, 2, separator_, kCondensed17);
      return;
    }
    if (line_ >= 63) newPage();
  }
}

// The heading, the items and the grand total, from the response file's lines.
void Printout::placePages(const QList<QByteArray>& lines) {
  p_.lastPageText.clear();
  page_ = 0;
  total_ = 0;
  heading();
  line_ = 14;
  for (const QByteArray& l : lines) {
    if (l.startsWith('I')) item(l);
    if (line_ >= 63) newPage();
  }
  // The grand total is a count of cents: printed with every digit (at 12 significant digits
  // the cents of a total from 10 billion on would be rounded away).
  QByteArray text = ": " + formatAmount(static_cast<long double>(total_) / 100, 2, 18);
  if (text.size() < 14) text = QByteArray(14 - text.size(), '.') + text;
  const QByteArray totalLine = "Total" + text;
  // Column 69, or further left for a total that would run past the printer's line.
  const double width = totalLine.size() / PassoImpresso(model_, 17);
  const int column = std::clamp(static_cast<int>(std::floor((kLineInches - width) * 10 + 1e-6)) + 1, 1, 69);
  ++line_;
  put(line_, column, totalLine, kBoldCondensed17);
}

bool Printout::open() {
  // Refused before any window opens: the printout reads what "Gravar" wrote.
  requireSavedProposal(p_.proposal, p_.saveHow);
  tx_.TamanhoQteColunas = 80;
  tx_.TamanhoQteLinhas = 66;
  tx_.OnModeloTrocado = nullptr;  // a former printout's
  // Another job still open would take this printout's items: stop instead.
  if (!tx_.Abrir()) return false;
  if (!tx_.Setup()) return false;
  try {
    place();
  } catch (...) {
    // The job is abandoned, so the next printout can open one.
    if (tx_.JobAberto()) tx_.Abortar();
    throw;
  }
  // Another model chosen later, in the preview's setup, has its own line: the printout is placed
  // again for it (lines laid out for a wider printer would run past a narrower one's).
  tx_.OnModeloTrocado = [p = p_](TTxPrint& tx) mutable {
    tx.Remontar();
    Printout(tx, p).place();
  };
  return true;
}

void Printout::place() {
  model_ = tx_.Impressora;
  // Ends where the printer's line ends (136 condensed dashes would wrap into a line of their own).
  separator_ = QByteArray(std::min(136, charsThatFit(model_, 17, 2, kLineInches)), '-');
  const QString file = p_.proposal.responsePath();
  const QList<QByteArray> lines = splitLines(readWholeFile(file));
  for (int i = 0; i < 6; ++i) fileHeader_.append(i < lines.size() ? lines[i] : QByteArray());
  // A job holds at most kTxMaximoPaginas pages: a longer printout is refused before anything
  // is placed, rather than printed without the items that do not fit.
  counting_ = true;
  placePages(lines);
  counting_ = false;
  if (page_ > kTxMaximoPaginas)
    throw AppError(ErrorKind::Refused, file,
                   "a impressão em texto precisaria de " + std::to_string(page_) + " páginas, mais que o limite de " +
                       std::to_string(kTxMaximoPaginas) + " páginas de uma impressão; use a impressão gráfica");
  placePages(lines);
}

}  // namespace

void configureTxPrint1(TTxPrint& tx) {
  tx.Impressora = TModelo::Epson;
  tx.PortaComunicacao = QStringLiteral("LPT1");
  tx.UsaGerenciadorImpr = true;
  tx.Acentuacao = TAcento::Transliterate;
  tx.TamanhoQteLinhas = 66;
  tx.TamanhoQteColunas = 80;
  tx.TamanhoQteLPP = TLinha::Seis;
  tx.FonteTamanhoPadrao = TSize::S10cpp;
  tx.FonteEstiloPadrao = 0;
  tx.Orientacao = QPageLayout::Portrait;
  tx.NumerodeCopias = 1;
  tx.PaginaInicial = 1;
  tx.PaginaFinal = 9999;
  tx.NumeroPaginaInicial = 1;
  tx.TestarPorta = false;
  tx.OpcoesPreview = TPreviewOptions();
  tx.OpcoesPreview.Preview = true;
  tx.CaptionSetup = QStringLiteral("Configurar Impressão");
  tx.ImpressoraPersonalizada = TCustom();
}

bool placeTextPrintout(TTxPrint& tx, TextPrintout& p) { return Printout(tx, p).open(); }

bool imprime_licitacao(TTxPrint& tx, TextPrintout& p) {
  if (!placeTextPrintout(tx, p)) return false;
  tx.Fechar();
  return true;
}

}  // namespace cotavia
