#include "report/rp_export.h"

#include "report/rp_pdf.h"
#include "report/rp_printer.h"
#include "report/rp_replay.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QImage>
#include <QSaveFile>
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

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

// Qt's PDF engine drawing every page: for documents the writer of rp_pdf.h does not draw.
void exportWithQt(TRpPrinter& printer, int count, const QString& fileName) {
  const std::string name = fileName.toStdString();

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


// A page made for the writer of rp_pdf.h.
struct MadePage {
  enum State { Made, Unreadable, Damaged, Unsupported, Failed } state = Unreadable;
  QByteArray content;  // compressed
  QSizeF size;         // page-store pixels
  std::exception_ptr error;
};

// Makes the pages on every core: a page is fetched from the page store (in order, one at a time),
// read into its drawing program, turned into PDF content and compressed. Pages come out in order.
// At most a few pages wait to be written, so memory stays flat however many pages there are.
class PageMaker {
 public:
  PageMaker(TRpPrinter& printer, int count, rpdetail::TRpPdfFonts& fonts)
      : printer_(printer), count_(count), fonts_(fonts) {
    const int threads = std::clamp(int(std::thread::hardware_concurrency()), 1, 16);
    window_ = 2 * threads + 2;
    for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { run(); });
  }
  ~PageMaker() {
    {
      std::lock_guard<std::mutex> l(m_);
      stop_ = true;
    }
    cv_.notify_all();
    for (std::thread& t : workers_) t.join();
  }
  MadePage take(int n) {
    std::unique_lock<std::mutex> l(m_);
    cv_.wait(l, [&] { return made_.count(n) != 0; });
    MadePage page = std::move(made_[n]);
    made_.erase(n);
    taken_ = n;
    cv_.notify_all();
    return page;
  }

 private:
  void run() {
    for (;;) {
      int n;
      MadePage page;
      std::unique_ptr<TRpMetafile> picture;
      {
        std::unique_lock<std::mutex> l(m_);
        cv_.wait(l, [&] { return stop_ || next_ > count_ || next_ - taken_ <= window_; });
        if (stop_ || next_ > count_) return;
        n = next_++;
        try {
          picture = printer_.GetPage(n);
        } catch (...) {
          page.state = MadePage::Failed;
          page.error = std::current_exception();
        }
      }
      if (picture) {
        try {
          bool damaged = false;
          const auto program = rpdetail::TRpPageProgram::read(*picture, programFonts_, &damaged);
          QByteArray content;
          if (damaged)
            page.state = MadePage::Damaged;
          else if (!program || !rpdetail::rpPdfContent(*program, fonts_, content))
            page.state = MadePage::Unsupported;
          else {
            page.content = rpdetail::rpPdfDeflate(content);
            page.size = program->bounds().size();
            page.state = MadePage::Made;
          }
        } catch (...) {
          page.state = MadePage::Failed;
          page.error = std::current_exception();
        }
      }
      std::lock_guard<std::mutex> l(m_);
      made_[n] = std::move(page);
      cv_.notify_all();
    }
  }

  TRpPrinter& printer_;
  const int count_;
  rpdetail::TRpPdfFonts& fonts_;
  rpdetail::TRpFontTable programFonts_;
  int window_ = 4;
  std::mutex m_;
  std::condition_variable cv_;
  int next_ = 1, taken_ = 0;
  std::map<int, MadePage> made_;
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

// The document through the writer of rp_pdf.h; false (and nothing written) when a page holds
// something that only Qt's engine draws as the preview shows it.
bool exportOwn(TRpPrinter& printer, int count, const QString& fileName) {
  // Programs hold page-store pixels, which the writer takes as 96 per inch; with another screen
  // resolution pages are left to QPicture's scaling.
  QImage probe(1, 1, QImage::Format_Mono);
  probe.setDotsPerMeterX(3780);  // 96 dpi
  probe.setDotsPerMeterY(3780);
  if (!rpdetail::TRpPageProgram::usableOn(probe)) return false;

  const std::string name = fileName.toStdString();
  QSaveFile out(fileName);
  out.setDirectWriteFallback(false);
  if (!out.open(QIODevice::WriteOnly))
    throw ERpError(QString::fromStdString(name + ": " + out.errorString().toStdString()));
  auto fail = [&](const std::string& why) {
    out.cancelWriting();
    return ERpError(QString::fromStdString(name + ": " + why));
  };
  rpdetail::TRpPdfFonts fonts;
  {
    rpdetail::TRpPdfWriter pdf(out, printer.Title());
    PageMaker maker(printer, count, fonts);
    for (int n = 1; n <= count; ++n) {
      MadePage page = maker.take(n);
      const std::string at = "page " + std::to_string(n);
      switch (page.state) {
        case MadePage::Made:
          break;
        case MadePage::Unreadable:
          throw fail(at + " cannot be read");
        case MadePage::Damaged:
          throw fail(at + " is damaged");
        case MadePage::Unsupported:
          out.cancelWriting();
          return false;
        case MadePage::Failed:
          try {
            std::rethrow_exception(page.error);
          } catch (const std::exception& e) {
            throw fail(e.what());
          }
      }
      pdf.addPage(page.size, page.content);
    }
    pdf.finish(fonts);
  }
  if (!out.commit()) throw ERpError(QString::fromStdString(name + ": " + out.errorString().toStdString()));
  return true;
}
}  // namespace

const QList<TRpExportFilter>& rpExportFilters() { return registry(); }

void rpRegisterExportFilter(const TRpExportFilter& filter) { registry().append(filter); }


void rpExportPdf(TRpPrinter& printer, const QString& fileName) {
  const std::string name = fileName.toStdString();
  if (printer.Status() != TRpPrinterStatus::mpFinished)
    throw ERpError(QString::fromStdString(name + ": the report is not complete yet"));
  const int count = printer.PageCount();
  if (count < 1) throw ERpError(QString::fromStdString(name + ": the report has no page to export"));
  if (!exportOwn(printer, count, fileName)) exportWithQt(printer, count, fileName);
}

}  // namespace cotavia
