// Price lists in .xlsx and .ods files, hostile spreadsheets, and the price export.
#include "app/core/price_export.h"
#include "app/core/price_list.h"
#include "sheets/spreadsheet_read.h"

#include "app/core/core_fixtures.h"
#include "support/support.h"
#include "support/zip_write.h"

#include <gtest/gtest.h>
#include <xlsxwriter.h>
#include <zip.h>

using namespace cotavia;
using namespace cotavia::test;

namespace {

// A cell of a sheet made by a test.
struct Cell {
  enum Kind { Empty, Text, Number, Formula, NoValue, Error } kind = Empty;
  QByteArray text;    // UTF-8; Formula: the formula; Error: the error
  double number = 0;  // Number, and Formula's calculated value
};
Cell txt(const char* s) { return {Cell::Text, s, 0}; }
Cell num(double v) { return {Cell::Number, {}, v}; }
using Rows = QList<QList<Cell>>;  // rows[0] is the sheet's row 1

const QList<Cell> kHeaderRow = {txt("item"), txt("marca"), txt("preco_unitario"), txt("desconto"), txt("acrescimo")};

QByteArray xmlEscape(const QByteArray& s) {
  return QByteArray(s).replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;").replace('"', "&quot;");
}

QString columnName(int c) { return QString(QChar('A' + c)); }

// .xlsx written by libxlsxwriter (no formula without value: it always writes one).
QByteArray xlsxByLibrary(const Rows& rows) {
  TempDir dir;
  const QByteArray path = QFile::encodeName(dir.file("t.xlsx"));
  lxw_workbook* wb = workbook_new(path.constData());
  lxw_worksheet* ws = workbook_add_worksheet(wb, "Precos");
  for (int r = 0; r < rows.size(); ++r)
    for (int c = 0; c < rows[r].size(); ++c) {
      const Cell& x = rows[r][c];
      if (x.kind == Cell::Text) worksheet_write_string(ws, lxw_row_t(r), lxw_col_t(c), x.text.constData(), nullptr);
      if (x.kind == Cell::Number) worksheet_write_number(ws, lxw_row_t(r), lxw_col_t(c), x.number, nullptr);
      if (x.kind == Cell::Formula)
        worksheet_write_formula_num(ws, lxw_row_t(r), lxw_col_t(c), x.text.constData(), nullptr, x.number);
    }
  EXPECT_EQ(workbook_close(wb), LXW_NO_ERROR);
  return readFile(dir.file("t.xlsx"));
}

// .xlsx made of XML texts: inline strings, every cell kind.
QByteArray xlsxByHand(const Rows& rows, const QByteArray& sheetName = "Precos", const QByteArray& extraRow = {}) {
  const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  QByteArray data;
  for (int r = 0; r < rows.size(); ++r) {
    data += "<row r=\"" + QByteArray::number(r + 1) + "\">";
    for (int c = 0; c < rows[r].size(); ++c) {
      const Cell& x = rows[r][c];
      const QByteArray ref = columnName(c).toLatin1() + QByteArray::number(r + 1);
      if (x.kind == Cell::Text)
        data += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + xmlEscape(x.text) + "</t></is></c>";
      if (x.kind == Cell::Number)
        data += "<c r=\"" + ref + "\"><v>" + QByteArray::number(x.number, 'g', 17) + "</v></c>";
      if (x.kind == Cell::Formula)
        data += "<c r=\"" + ref + "\"><f>" + xmlEscape(x.text) + "</f><v>" + QByteArray::number(x.number, 'g', 17) +
                "</v></c>";
      if (x.kind == Cell::NoValue) data += "<c r=\"" + ref + "\"><f>" + xmlEscape(x.text) + "</f></c>";
      if (x.kind == Cell::Error) data += "<c r=\"" + ref + "\" t=\"e\"><f>1/0</f><v>" + x.text + "</v></c>";
    }
    data += "</row>";
  }
  data += extraRow;
  return zipArchive({
      {"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
      {"xl/workbook.xml", "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"" +
                              rel + "\"><sheets><sheet name=\"" + xmlEscape(sheetName) +
                              "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
       "Id=\"rId1\" "
       "Type=\"" +
           rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
      {"xl/worksheets/sheet1.xml",
       "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" + data +
           "</sheetData></worksheet>"},
  });
}

QByteArray odsContent(const QByteArray& tableBody, const QByteArray& sheetName = "Precos",
                      const QByteArray& prolog = {}) {
  return prolog +
         "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
         "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
         "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
         "xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\">"
         "<office:body><office:spreadsheet><table:table table:name=\"" +
         xmlEscape(sheetName) + "\">" + tableBody +
         "</table:table></office:spreadsheet></office:body></office:document-content>";
}

QByteArray odsZip(const QByteArray& content, const QByteArray& manifest = {}) {
  QList<std::pair<QString, QByteArray>> parts = {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                                 {"content.xml", content}};
  if (!manifest.isEmpty()) parts.append({"META-INF/manifest.xml", manifest});
  return zipArchive(parts);
}

// Equal neighbouring cells are stored once with number-columns-repeated, as spreadsheet
// programs save them.
QByteArray odsRow(const QList<Cell>& cells) {
  QByteArray row = "<table:table-row>";
  for (qsizetype i = 0; i < cells.size(); ++i) {
    const Cell& x = cells[i];
    int same = 1;
    while (i + same < cells.size() && x.kind <= Cell::Number && cells[i + same].kind == x.kind &&
           cells[i + same].text == x.text && cells[i + same].number == x.number)
      ++same;
    i += same - 1;
    const QByteArray repeated =
        same > 1 ? " table:number-columns-repeated=\"" + QByteArray::number(same) + "\"" : QByteArray();
    const QByteArray shown =
        "<text:p>" + xmlEscape(x.text.isEmpty() ? QByteArray::number(x.number) : x.text) + "</text:p>";
    switch (x.kind) {
      case Cell::Empty:
        row += "<table:table-cell" + repeated + "/>";
        break;
      case Cell::Text:
        row += "<table:table-cell" + repeated + " office:value-type=\"string\">" + shown + "</table:table-cell>";
        break;
      case Cell::Number:
        row += "<table:table-cell" + repeated + " office:value-type=\"float\" office:value=\"" +
               QByteArray::number(x.number, 'g', 17) + "\">" + shown + "</table:table-cell>";
        break;
      case Cell::Formula:
        row += "<table:table-cell table:formula=\"of:" + xmlEscape(x.text) +
               "\" office:value-type=\"float\" office:value=\"" + QByteArray::number(x.number, 'g', 17) + "\"/>";
        break;
      case Cell::NoValue:
        row += "<table:table-cell table:formula=\"of:" + xmlEscape(x.text) + "\"/>";
        break;
      case Cell::Error:
        row +=
            "<table:table-cell table:formula=\"of:=1/0\" office:value-type=\"string\" office:string-value=\"\" "
            "calcext:value-type=\"error\"><text:p>" +
            x.text + "</text:p></table:table-cell>";
        break;
    }
  }
  return row + "</table:table-row>";
}

QByteArray odsByHand(const Rows& rows, const QByteArray& sheetName = "Precos") {
  QByteArray body;
  for (const auto& r : rows) body += odsRow(r);
  return odsZip(odsContent(body, sheetName));
}

Proposal threeItems() {
  QByteArray content = joinCrLf(standardHeader());
  for (const char* n : {"0001", "0002", "0003"}) {
    Item it;
    it.number = n;
    content += itemLine(it) + "\r\n";  // quantity 10
  }
  Proposal p;
  parseProposal(content, "P0001.KVT", p);
  return p;
}

// The proposal priced by the file, or the refusal's text.
std::string applied(const QByteArray& file, const QString& name, Proposal* out = nullptr) {
  Proposal p = threeItems();
  try {
    applyPriceList(p, parsePriceListFile(file, name), name);
  } catch (const AppError& e) {
    EXPECT_EQ(p.rows, threeItems().rows) << "changed before refusing";
    return e.what();
  }
  if (out) *out = p;
  return "ok";
}

// Patches the local and central headers of the zip's entries named `entry` (every entry when
// empty): `local`/`central` are a field's offsets in each header, `bytes` its new value.
QByteArray patchZip(QByteArray zip, const QByteArray& entry, int local, int central, const QByteArray& bytes) {
  for (const auto& [magic, field, nameAt] :
       {std::tuple{QByteArray("PK\x03\x04"), local, 30}, std::tuple{QByteArray("PK\x01\x02"), central, 46}})
    for (qsizetype at = zip.indexOf(magic); at >= 0; at = zip.indexOf(magic, at + 4))
      if (entry.isEmpty() || zip.mid(at + nameAt, entry.size()) == entry) zip.replace(at + field, bytes.size(), bytes);
  return zip;
}

}  // namespace

// The same list as a CSV file, an .xlsx by libxlsxwriter and an .ods: numbers and texts, an empty
// row, a formula with its calculated value, header names in other case, accents and blanks, an
// item number stored as a number, an item with no amounts (left as it is), an extra column, equal
// neighbouring cells (stored once in the .ods).
TEST(SpreadsheetPriceList, SheetsPriceAsTheCsvDoes) {
  const QByteArray csv =
      "Item; MARCA ;Pre\xC3\xA7o_Unit\xC3\xA1rio;Desconto;ACR\xC3\x89SCIMO;nota\r\n"
      "0003;Faber-Castell;0,45;;;ignorada\r\n"
      ";;;;\r\n"
      "0001;Bic;1.234,5;0,5;0,5\r\n"
      "0002;Velha;;;\r\n";
  const Rows rows = {
      {txt("Item"), txt(" MARCA "), txt("Pre\xC3\xA7o_Unit\xC3\xA1rio"), txt("Desconto"), txt("ACR\xC3\x89SCIMO"),
       txt("nota")},
      {txt("0003"), txt("Faber-Castell"), num(0.45000000000000001), {}, {}, txt("ignorada")},
      {},
      {num(1), txt("Bic"), {Cell::Formula, "1234.5*1", 1234.5}, num(0.5), num(0.5)},
      {txt("0002"), txt("Velha")},
  };
  Proposal fromCsv;
  ASSERT_EQ(applied(csv, "precos.csv", &fromCsv), "ok");
  EXPECT_EQ(fromCsv.rows[2][ColUnitPrice], "    0,4500");
  EXPECT_EQ(fromCsv.rows[0][ColTotal], "     12.345,00");  // 10 x 1234,5 - 0,5 + 0,5
  EXPECT_EQ(fromCsv.rows[1], threeItems().rows[1]);        // no amounts: untouched
  for (const auto& [bytes, name] :
       {std::pair{xlsxByLibrary(rows), QString("precos.xlsx")}, std::pair{odsByHand(rows), QString("precos.ods")},
        std::pair{xlsxByLibrary(rows), QString("sem-extensao")}}) {
    Proposal p;
    ASSERT_EQ(applied(bytes, name, &p), "ok") << name.toStdString();
    EXPECT_EQ(p.rows, fromCsv.rows) << name.toStdString();
  }
}

// Each refusal names the cell, in both formats: "FILE: Sheet!C2: reason".
TEST(SpreadsheetPriceList, RefusalsNameTheCell) {
  struct Case {
    QList<Cell> row;  // row 2
    const char* expected;
  };
  const Cell none;
  const Case cases[] = {
      {{txt("0001"), txt("A"), num(0.12345)}, "Precos!C2: preço unitário '0,12345' tem mais de 4 casas decimais"},
      {{txt("0001"), txt("A"), num(1), num(1.005)}, "Precos!D2: desconto '1,005' tem mais de 2 casas decimais"},
      {{txt("0001"), txt("A"), {Cell::NoValue, "1+1"}}, "Precos!C2: a fórmula não tem valor calculado"},
      {{txt("0001"), txt("A"), num(1), none, {Cell::Error, "#DIV/0!"}}, "Precos!E2: a célula mostra o erro #DIV/0!"},
      {{num(9), txt("A"), num(1)}, "Precos!A2: o item 9 não está na proposta"},
      {{num(2.5), txt("A"), num(1)}, "Precos!A2: o número do item 2,5 não é um número inteiro"},
      {{txt("0001"), txt("A"), num(1), txt("-1")}, "Precos!D2: desconto negativo: '-1'"},
      {{txt("0001"), txt("MARCA MAIOR QUE VINTE")}, "Precos!B2: a marca 'MARCA MAIOR QUE VINTE' tem mais de 20"},
      {{txt("0001"), txt("A"), num(1), num(100)}, "Precos!A2: item 0001: o total do item -90,00 seria negativo"},
  };
  for (const Case& c : cases) {
    const Rows rows = {kHeaderRow, c.row};
    for (const auto& [bytes, name] :
         {std::pair{xlsxByHand(rows), "precos.xlsx"}, std::pair{odsByHand(rows), "precos.ods"}})
      EXPECT_TRUE(applied(bytes, name).starts_with(std::string(name) + ": " + c.expected))
          << c.expected << "\n got: " << applied(bytes, name);
  }
  // A text and a number naming the same item; a wrong header; a sheet name that needs quotes.
  const Rows twice = {kHeaderRow, {txt("0003"), txt("A"), num(1)}, {num(3), txt("B"), num(2)}};
  EXPECT_EQ(applied(xlsxByHand(twice), "p.xlsx"), "p.xlsx: Precos!A3: o item 0003 já recebeu preço em Precos!A2");
  const Rows header = {{txt("item"), txt("marca"), txt("preco"), txt("desconto"), txt("acrescimo")}};
  EXPECT_TRUE(
      applied(odsByHand(header), "p.ods").starts_with("p.ods: Precos!A1: a primeira linha preenchida deve ser"));
  EXPECT_EQ(applied(odsByHand({kHeaderRow, {num(9)}}, "Lista de pre\xC3\xA7os"), "p.ods"),
            "p.ods: 'Lista de preços'!A2: o item 9 não está na proposta");
}

// Files that are damaged, legacy, encrypted or built to exhaust the reader are refused, with
// what happened and what to do, before they cost much.
TEST(SpreadsheetPriceList, HostileFilesAreRefused) {
  const QByteArray good = xlsxByLibrary({kHeaderRow});
  const auto filled = [](int columnsBefore, const char* rowsRepeated) {
    return odsZip(odsContent(odsRow(kHeaderRow) + "<table:table-row table:number-rows-repeated=\"" + rowsRepeated +
                             "\"><table:table-cell table:number-columns-repeated=\"" +
                             QByteArray::number(columnsBefore) +
                             "\"/><table:table-cell office:value-type=\"string\"><text:p>x</text:p>"
                             "</table:table-cell></table:table-row>"));
  };
  const auto emptyRows = [](int count) {
    return "<table:table-row table:number-rows-repeated=\"" + QByteArray::number(count) +
           "\"><table:table-cell/></table:table-row>";
  };
  const QByteArray nested = QByteArray("<a>").repeated(1000000) + QByteArray("</a>").repeated(1000000);
  struct Case {
    QByteArray bytes;
    const char* name;
    const char* expected;
  };
  const Case cases[] = {
      {good.left(good.size() / 2), "p.xlsx", "a planilha está danificada (o arquivo compactado não pode ser lido"},
      {"item;marca;preco_unitario;desconto;acrescimo\r\n", "p.xlsx", "a planilha está danificada (o conteúdo não"},
      {QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0'), "p.xls",
       "formato antigo do Excel (.xls) ou protegida por senha"},
      {zipArchive({{"leia.txt", "x"}}), "p.xlsx", "não uma planilha .xlsx ou .ods"},
      // The encryption flag of the zip entries set.
      {patchZip(good, {}, 6, 8, QByteArray("\x01", 1)), "p.xlsx", "protegida por senha"},
      {odsZip(odsContent(odsRow(kHeaderRow)),
              "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
              "<manifest:file-entry manifest:full-path=\"content.xml\"><manifest:encryption-data/>"
              "</manifest:file-entry></manifest:manifest>"),
       "p.ods", "protegida por senha"},
      // A part whose headers announce 4 GB: refused before inflating.
      {patchZip(odsZip("<a/>"), "content.xml", 22, 24, "\xFE\xFF\xFF\xFF"), "p.ods",
       "a parte content.xml da planilha passa de 64 MB"},
      {odsZip(odsContent(odsRow(kHeaderRow), "Precos",
                         "<!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>")),
       "p.ods", "declara uma DTD"},
      {filled(1, "200000"), "p.ods", "a planilha Precos tem mais de 100.000 linhas preenchidas"},
      {odsZip(odsContent(odsRow(kHeaderRow) + emptyRows(1048576) + odsRow({txt("1")}))), "p.ods",
       "tem células preenchidas além da linha 1.048.576"},
      {filled(16384, "1"), "p.ods", "Precos!A2: a linha passa de 16.384 colunas"},
      {xlsxByHand({kHeaderRow}, "Precos", "<row r=\"2\"><c r=\"XFE2\"><v>1</v></c></row>"), "p.xlsx",
       "Precos!A2: a linha passa de 16.384 colunas"},
      // Elements nested a million levels deep (a few kilobytes deflated).
      {xlsxByHand({kHeaderRow}, "Precos", nested), "p.xlsx",
       "a parte xl/worksheets/sheet1.xml da planilha tem elementos aninhados em mais de 64 níveis"},
      {odsZip(odsContent(odsRow(kHeaderRow) + nested)), "p.ods",
       "a parte content.xml da planilha tem elementos aninhados em mais de 64 níveis"},
  };
  for (const Case& c : cases) {
    const std::string e = applied(c.bytes, c.name);
    EXPECT_NE(e.find(c.expected), std::string::npos) << c.expected << "\n got: " << e;
    EXPECT_EQ(e.rfind(std::string(c.name) + ": ", 0), 0u) << e;
  }
  // A filled row exactly at the last row a sheet holds is read.
  const QList<Cell> last = {num(1), txt("A"), num(1)};
  EXPECT_EQ(applied(odsZip(odsContent(odsRow(kHeaderRow) + emptyRows(1048574) + odsRow(last))), "p.ods"), "ok");
  EXPECT_EQ(applied(xlsxByHand({kHeaderRow}, "Precos",
                               "<row r=\"1048576\"><c r=\"A1048576\"><v>1</v></c><c r=\"B1048576\" "
                               "t=\"inlineStr\"><is><t>A</t></is></c><c r=\"C1048576\"><v>1</v></c></row>"),
                    "p.xlsx"),
            "ok");
}

// The part of a zip archive, inflated.
QByteArray zipPart(const QByteArray& zip, const char* name) {
  zip_error_t err;
  zip_error_init(&err);
  zip_source_t* src = zip_source_buffer_create(zip.constData(), zip_uint64_t(zip.size()), 0, &err);
  zip_t* z = src ? zip_open_from_source(src, ZIP_RDONLY, &err) : nullptr;
  QByteArray out;
  if (zip_file_t* f = z ? zip_fopen(z, name, 0) : nullptr) {
    char buf[65536];
    for (zip_int64_t n; (n = zip_fread(f, buf, sizeof buf)) > 0;) out.append(buf, qsizetype(n));
    zip_fclose(f);
  }
  if (z) zip_discard(z);
  zip_error_fini(&err);
  return out;
}

// The export: the import's five columns, then the reader's; unpriced items with empty
// amounts; texts that would start a formula kept as texts; imported unchanged, it changes
// nothing, also where a call repeats an item number (the code tells the items apart). Written
// under pt_BR (comma decimals), the sheet still holds its numbers in the file's notation.
TEST(PriceExport, WritesTheImportColumnsAndRoundTrips) {
  const PtBrLocale ptBr;
  Proposal p;
  {
    QByteArray content = joinCrLf(standardHeader());
    for (const auto& [n, code] :
         {std::pair{"0001", "000123"}, {"0002", "000123"}, {"0003", "000123"}, {"0003", "000124"}}) {
      Item it;
      it.number = n;
      it.code = code;
      content += itemLine(it) + "\r\n";  // quantity 10
    }
    parseProposal(content, "P0001.KVT", p);
  }
  p.rows[1][ColDescription] = "PAPEL; A4 \"75 g\"";
  p.rows[3][ColDescription] = "=HYPERLINK(\"http://x\")";
  applyPriceList(p,
                 parsePriceList("item;marca;preco_unitario;desconto;acrescimo;codigo\r\n"
                                "0001;Bic;1.234,5678;1;0,5;\r\n0002;@Chamex;0,45;;;\r\n0003;-1+1;2;;;000124\r\n",
                                "p.csv"),
                 "p.csv");
  TempDir dir;
  EXPECT_EQ(writePriceExport(p, dir.file("e.csv")), 4);
  EXPECT_EQ(dir.read("e.csv"),
            "item;marca;preco_unitario;desconto;acrescimo;codigo;descricao;quantidade;unidade;total\r\n"
            "0001;Bic;1.234,5678;1,00;0,50;000123;CANETA ESFEROGR\xC1"
            "FICA AZUL;10,0000;UN;12.345,18\r\n"
            "0002;'@Chamex;0,4500;0,00;0,00;000123;\"PAPEL; A4 \"\"75 g\"\"\";10,0000;UN;4,50\r\n"
            "0003;;;;;000123;CANETA ESFEROGR\xC1"
            "FICA AZUL;10,0000;UN;\r\n"
            "0003;'-1+1;2,0000;0,00;0,00;000124;\"'=HYPERLINK(\"\"http://x\"\")\";10,0000;UN;20,00\r\n");
  EXPECT_EQ(writePriceExport(p, dir.file("e.xlsx")), 4);
  const QByteArray xml = zipPart(dir.read("e.xlsx"), "xl/worksheets/sheet1.xml");
  EXPECT_TRUE(xml.contains("<v>1234.5678</v>") && xml.contains("width=\"8.")) << xml.left(2000).toStdString();
  const SheetTable t = readFirstSheet(dir.read("e.xlsx"), SpreadsheetFormat::Xlsx, "e.xlsx", 10);
  EXPECT_EQ(t.name, "Precos");
  ASSERT_EQ(t.rows.size(), 5);
  EXPECT_EQ(t.rows[1].cells[0].text, "0001");  // item numbers stay texts
  EXPECT_EQ(t.rows[1].cells[2].kind, SheetCell::Kind::Number);
  EXPECT_EQ(t.rows[1].cells[2].number, 1234.5678);
  EXPECT_EQ(t.rows[1].cells[9].number, 12345.18);
  EXPECT_EQ(t.rows[3].cells[2].kind, SheetCell::Kind::Empty);
  EXPECT_EQ(t.rows[4].cells[6].text, "=HYPERLINK(\"http://x\")");  // a text cell, not a formula
  for (const char* name : {"e.csv", "e.xlsx"}) {
    Proposal q = p;
    EXPECT_EQ(applyPriceList(q, readPriceList(dir.file(name)), name), 3) << name;
    EXPECT_EQ(q.rows, p.rows) << name;
  }
  EXPECT_THROW(writePriceExport(p, dir.file("e.txt")), AppError);
  EXPECT_FALSE(dir.exists("e.txt"));
  if (!ptBr.active()) GTEST_SKIP() << "pt_BR.UTF-8 could not be built with localedef: exported under the C locale";
}
