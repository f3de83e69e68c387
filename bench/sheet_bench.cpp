// Price lists built to exhaust the sheet readers: elements nested millions of levels deep in an
// .xlsx and an .ods (a few tens of kilobytes zipped, some 60 MB of XML). Each is read in a
// process of its own, so its time and peak memory are its own; they must stay under 2 s and
// 300 MB (the file is refused).
#include "app/core/price_list.h"
#include "support/zip_write.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace cotavia;

namespace {

QByteArray nested(qsizetype levels) { return QByteArray("<a>").repeated(levels) + QByteArray("</a>").repeated(levels); }

QByteArray nestedXlsx(qsizetype levels) {
  const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  return test::zipArchive({
      {"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
      {"xl/workbook.xml", "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"" +
                              rel +
                              "\"><sheets><sheet name=\"Precos\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
       "Id=\"rId1\" Type=\"" +
           rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
      {"xl/worksheets/sheet1.xml",
       "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
       "<sheetData><row r=\"1\"><c r=\"A1\">" +
           nested(levels) + "</c></row></sheetData></worksheet>"},
  });
}

QByteArray nestedOds(qsizetype levels) {
  return test::zipArchive(
      {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
       {"content.xml",
        "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\"><office:body>"
        "<office:spreadsheet><table:table table:name=\"Precos\"><table:table-row>"
        "<table:table-cell>" +
            nested(levels) +
            "</table:table-cell></table:table-row></table:table></office:spreadsheet>"
            "</office:body></office:document-content>"}});
}

// Reads the file in a fresh process (this program run with "read FILE"), so the time and the
// peak memory are the reading's alone.
void measure(const char* what, const QByteArray& bytes, const QString& name) {
  QTemporaryDir dir;
  const QByteArray path = QFile::encodeName(dir.filePath(name));
  QFile f(dir.filePath(name));
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) std::exit(2);
  f.close();
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execl("/proc/self/exe", "sheet_bench", "read", path.constData(), static_cast<char*>(nullptr));
    _exit(3);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::printf("nested %s, %lld KB zipped: %s in %.3f s (cpu %.3f s), peak memory %.1f MB\n", what,
              static_cast<long long>(bytes.size() / 1024),
              code == 1   ? "refused"
              : code == 0 ? "read"
                          : "FAILED",
              seconds, cpu, double(usage.ru_maxrss) / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "read") == 0) {
    try {
      readPriceList(QFile::decodeName(argv[2]));
      return 0;
    } catch (const AppError&) {
      return 1;  // refused
    }
  }
  // 8.5 million levels: some 60 MB of XML, under the 64 MB a part may hold.
  constexpr qsizetype kLevels = 8500000;
  measure(".xlsx", nestedXlsx(kLevels), QStringLiteral("aninhada.xlsx"));
  measure(".ods", nestedOds(kLevels), QStringLiteral("aninhada.ods"));
  return 0;
}
