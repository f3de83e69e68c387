// Reads, totals and writes a proposal of 8999 priced items with 100-character descriptions and
// prints the milliseconds of each step (best of several runs). Target: each under 20 ms.
#include "app/core/item_entry.h"
#include "app/core/proposal_file.h"
#include "app/core/save.h"
#include "platform/amounts.h"
#include "platform/files.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>

using namespace cotavia;

namespace {

double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Best wall-clock time of several runs, and the processor time of that run (which a busy
// machine disturbs less).
struct Timing {
  double wall = 1e9, cpu = 0;
};

Timing best(int runs, const std::function<void()>& f) {
  Timing b;
  for (int i = 0; i < runs; ++i) {
    const double c0 = cpuMs();
    const auto t0 = std::chrono::steady_clock::now();
    f();
    const auto t1 = std::chrono::steady_clock::now();
    const double wall = std::chrono::duration<double, std::milli>(t1 - t0).count();
    if (wall < b.wall) b = {wall, cpuMs() - c0};
  }
  return b;
}

QByteArray field(long long v, int width) { return QByteArray::number(v).rightJustified(width, ' '); }

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  constexpr int kItems = 8999;

  QByteArray content;
  for (int h = 0; h < 6; ++h)
    content += ("CCabe\xE7"
                "alho " +
                QByteArray::number(h))
                   .leftJustified(200) +
               "\r\n";
  for (int i = 1; i <= kItems; ++i) {
    QByteArray desc = "Descri\xE7\xE3o do item " + QByteArray::number(i) + " ";
    while (desc.size() < 100) desc += "material de expediente ";
    const long long qty = 10000LL * (i % 500 + 1);
    const long long price = 12345 + i * 7;
    const long long total = (qty / 10000) * price / 100;
    content += "I" + QByteArray::number(i).rightJustified(4, '0') + QByteArray::number(100000 + i) + desc.left(100) +
               field(qty, 13) + "UN  " + field(price, 11) + field(100, 11) + field(50, 11) + field(total, 11) +
               "Marca " + QByteArray::number(i) + "\r\n";
  }
  const QString input = dir.filePath("P0001.KVT");
  atomicWrite(input, content);

  Proposal p;
  const Timing read = best(15, [&] { loadProposal(input, p); });
  long double total = 0;
  const Timing tot = best(15, [&] { total = grandTotal(p.rows); });
  const Timing write = best(15, [&] {
    atomicWriteLines(dir.filePath(responseFileName("12345678000195", "P0001.KVT")), responseFileLines(p));
  });
  const ProposalRef target{dir.path(), "P0001.KVT", "12345678000195"};
  const Timing grav = best(15, [&] { saveProposal(target, p, {"Fornecedor", "Rua", "Cidade"}); });

  std::printf("proposal of %lld items (%lld bytes), grand total %s\n", static_cast<long long>(p.rows.size()),
              static_cast<long long>(content.size()), formatAmount(total, 2, 14).constData());
  std::printf("read   %8.2f ms (processor %.2f ms)\n", read.wall, read.cpu);
  std::printf("total  %8.2f ms (processor %.2f ms)\n", tot.wall, tot.cpu);
  std::printf("write  %8.2f ms (processor %.2f ms): the response file\n", write.wall, write.cpu);
  std::printf("gravar %8.2f ms (processor %.2f ms): response file, copy over the input, supplier data\n", grav.wall,
              grav.cpu);
  return 0;
}
