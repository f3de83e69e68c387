#include "report/rp_export.h"

#include "report/rp_printer.h"
#include "report/rp_replay.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <thread>

namespace cotavia {

namespace {

QList<TRpExportFilter>& registry() {
  static QList<TRpExportFilter> list = {
      {QStringLiteral("PDF document"), QStringLiteral("pdf"), rpExportPdf},
  };
  return list;
}

// The page layout of a recorded page: its bounding rectangle is the whole page in page-store
// pixels (96 per inch).
QPageLayout layoutFor(const QRect& page) {
  const double w = page.width() * 72.0 / kRpScreenDpi;  // points
  const double h = page.height() * 72.0 / kRpScreenDpi;
  const bool landscape = w > h;
  const QPageSize size(landscape ? QSizeF(h, w) : QSizeF(w, h), QPageSize::Point, QString(), QPageSize::ExactMatch);
  return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

// A page as the drawing thread gets it: the picture, and its commands read ahead when the fast
// replay can draw them.
struct ReadPage {
  std::unique_ptr<TRpMetafile> picture;
  std::unique_ptr<rpdetail::TRpPageProgram> program;
  bool damaged = false;  // not to be drawn at all
};

// Reads the pages ahead on a second thread: fetching a page from the page store, checking its
// picture (a checksum over the whole record) and reading its commands cost about as much as
// drawing it, so the two overlap. Pages come out in order; a failure is handed over at the page
// it happened on.
class PageReader {
 public:
  PageReader(TRpPrinter& printer, int count, bool programs) : printer_(printer), count_(count), programs_(programs) {
    worker_ = std::thread([this] { run(); });
  }
  ~PageReader() {
    {
      std::lock_guard<std::mutex> l(m_);
      stop_ = true;
    }
    cv_.notify_all();
    worker_.join();
  }
  // Page n (1-based, asked in order); a null picture when it cannot be read. Rethrows a read
  // failure.
  ReadPage take(int n) {
    std::unique_lock<std::mutex> l(m_);
    cv_.wait(l, [&] { return ready_.count(n) || failedAt_ == n; });
    if (failedAt_ == n) std::rethrow_exception(error_);
    ReadPage page = std::move(ready_[n]);
    ready_.erase(n);
    cv_.notify_all();
    return page;
  }

 private:
  static constexpr size_t kAhead = 4;
  void run() {
    for (int n = 1; n <= count_; ++n) {
      {
        std::unique_lock<std::mutex> l(m_);
        cv_.wait(l, [&] { return stop_ || ready_.size() < kAhead; });
        if (stop_) return;
      }
      ReadPage page;
      try {
        page.picture = printer_.GetPage(n);
        if (page.picture) page.program = rpdetail::TRpPageProgram::read(*page.picture, fonts_, &page.damaged);
        if (!programs_) page.program.reset();
        // A page left to QPicture is checked now, off the drawing thread.
        if (page.picture && !page.program) (void)page.picture->boundingRect();
      } catch (...) {
        std::lock_guard<std::mutex> l(m_);
        error_ = std::current_exception();
        failedAt_ = n;
        cv_.notify_all();
        return;
      }
      std::lock_guard<std::mutex> l(m_);
      ready_[n] = std::move(page);
      cv_.notify_all();
    }
  }

  TRpPrinter& printer_;
  const int count_;
  const bool programs_;
  rpdetail::TRpFontTable fonts_;
  std::mutex m_;
  std::condition_variable cv_;
  std::map<int, ReadPage> ready_;
  bool stop_ = false;
  int failedAt_ = 0;
  std::exception_ptr error_;
  std::thread worker_;
};

}  // namespace

const QList<TRpExportFilter>& rpExportFilters() { return registry(); }

void rpRegisterExportFilter(const TRpExportFilter& filter) { registry().append(filter); }

void rpExportPdf(TRpPrinter& printer, const QString& fileName) {
  const std::string name = fileName.toStdString();
  if (printer.Status() != TRpPrinterStatus::mpFinished)
    throw ERpError(
        ErrorKind::Refused, QString(),
        QStringLiteral("O relatório ainda está sendo gerado: aguarde o fim da geração e grave \"%1\" de novo.")
            .arg(fileName));
  const int count = printer.PageCount();
  if (count < 1)
    throw ERpError(ErrorKind::Refused, QString(),
                   QStringLiteral("O relatório não tem nenhuma página, e \"%1\" não foi gravado: a proposta não tem "
                                  "itens para imprimir.")
                       .arg(fileName));

  QSaveFile out(fileName);
  out.setDirectWriteFallback(false);
  if (!out.open(QIODevice::WriteOnly))
    throw ERpError(QString::fromStdString(name + ": " + out.errorString().toStdString()));
  auto fail = [&](const std::string& why) {
    out.cancelWriting();
    return ERpError(QString::fromStdString(name + ": " + why));
  };
  {
    QPdfWriter pdf(&out);
    pdf.setCreator(QStringLiteral("Cotavia"));
    pdf.setTitle(printer.Title());
    pdf.setResolution(kRpScreenDpi);  // one PDF unit per page-store pixel: pages replay unscaled
    PageReader reader(printer, count, rpdetail::TRpPageProgram::usableOn(pdf));
    QPainter painter;
    for (int n = 1; n <= count; ++n) {
      ReadPage read;
      try {
        read = reader.take(n);
      } catch (const std::exception& e) {
        if (painter.isActive()) painter.end();
        throw fail(e.what());
      }
      const TRpMetafile* page = read.picture.get();
      if (!page) {
        if (painter.isActive()) painter.end();
        throw fail("page " + std::to_string(n) + " cannot be read");
      }
      if (read.damaged) {
        if (painter.isActive()) painter.end();
        throw fail("page " + std::to_string(n) + " is damaged");
      }
      // Every page of a report has the same paper, but a page that differs gets its own.
      const QPageLayout layout = layoutFor(read.program ? read.program->bounds() : page->boundingRect());
      if (n == 1) {
        pdf.setPageLayout(layout);
        if (!painter.begin(&pdf)) throw fail("the PDF document cannot be started");
      } else {
        if (!layout.isEquivalentTo(pdf.pageLayout())) pdf.setPageLayout(layout);
        pdf.newPage();
      }
      if (read.program)
        read.program->play(painter);
      else
        painter.drawPicture(0, 0, *page);
    }
    painter.end();
  }
  if (!out.commit()) throw ERpError(QString::fromStdString(name + ": " + out.errorString().toStdString()));
}

}  // namespace cotavia
