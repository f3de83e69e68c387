#include "report/output/rp_export.h"

#include "platform/files.h"
#include "report/output/rp_pdf.h"
#include "report/output/rp_printer.h"
#include "report/pages/rp_replay.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
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

  AtomicFile out(fileName);
  out.create();  // its AppError says why (a link, no space...)
  auto fail = [&](const std::string& why) {
    out.cancel();
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
  out.commit();  // the first failed write of the PDF, if any, is thrown here
}

// Whether the writer of rp_pdf.h can take page programs: they hold page-store pixels, which it
// takes as 96 per inch; with another screen resolution pages are left to QPicture's scaling.
bool programsAt96Dpi() {
  return rpdetail::rpPictureDpi(true) == kRpScreenDpi && rpdetail::rpPictureDpi(false) == kRpScreenDpi;
}

}  // namespace

const QList<TRpExportFilter>& rpExportFilters() { return registry(); }

void rpRegisterExportFilter(const TRpExportFilter& filter) { registry().append(filter); }

// ---------------------------------------------------------------------------------------------
// The export through the writer of rp_pdf.h
//
// Worker threads, one per core, take the pages in order from the page store as they become
// available, one at a time; each reads its page into a drawing program, turns it into PDF content
// and compresses it. The worker that finishes the next page to write writes it, and any made
// after it, to the file. Workers run at most a few pages ahead of the file, so memory stays flat
// however many pages there are. Any failure halts the workers; Finish() reports it.

struct TRpPdfExport::Impl {
  struct Made {
    enum State { Ready, Unreadable, Damaged, Unsupported, Failed } state = Unreadable;
    QByteArray content;  // compressed
    QSizeF size;         // page-store pixels
    std::exception_ptr error;
  };

  QString fileName;
  std::unique_ptr<AtomicFile> out;
  std::exception_ptr openError;  // why the file could not be created
  std::unique_ptr<rpdetail::TRpPdfWriter> pdf;
  rpdetail::TRpPdfFonts fonts;
  rpdetail::TRpFontTable programFonts;
  TRpPrinter* printer = nullptr;

  std::mutex m;  // guards what follows; never held while a page is fetched, made or written
  std::condition_variable cv;
  TRpPageList* list = nullptr;
  int available = 0;  // pages the store holds
  int count = -1;     // pages of the finished document, -1 while the report runs
  int next = 1;       // next page to fetch
  int written = 0;    // pages written to the file
  int window = 4;
  std::map<int, Made> made;
  int haltedAt = 0;  // the first page that stopped the export
  Made halt;
  bool stop = false;

  std::mutex fetchLock;  // one fetch at a time, in page order
  std::mutex writeLock;  // one writer at a time
  std::vector<std::thread> workers;

  void start() {
    const int threads = std::clamp(int(std::thread::hardware_concurrency()), 1, 16);
    window = 2 * threads + 2;
    for (int i = 0; i < threads; ++i) workers.emplace_back([this] { run(); });
  }

  void stopWorkers() {
    {
      std::lock_guard<std::mutex> l(m);
      stop = true;
    }
    cv.notify_all();
    for (std::thread& t : workers) t.join();
    workers.clear();
  }

  void run() {
    for (;;) {
      int n;
      TRpPageList* from;
      std::unique_ptr<TRpMetafile> picture;
      Made page;
      {
        std::unique_lock<std::mutex> f(fetchLock);
        {
          std::unique_lock<std::mutex> l(m);
          cv.wait(l, [&] {
            return stop || haltedAt || (count >= 0 && next > count) || (next <= available && next - written <= window);
          });
          if (stop || haltedAt || (count >= 0 && next > count)) return;
          n = next++;
          from = list;
        }
        try {
          picture = from->GetPage(n);
        } catch (...) {
          page.state = Made::Failed;
          page.error = std::current_exception();
        }
      }
      if (picture) make(*picture, page);
      picture.reset();
      {
        std::lock_guard<std::mutex> l(m);
        made[n] = std::move(page);
      }
      writeReady();
    }
  }

  void make(const TRpMetafile& picture, Made& page) {
    try {
      bool damaged = false;
      const auto program = rpdetail::TRpPageProgram::read(picture, programFonts, &damaged);
      std::string content;
      if (damaged) {
        page.state = Made::Damaged;
      } else if (!program || !rpdetail::rpPdfContent(*program, fonts, content)) {
        page.state = Made::Unsupported;
      } else {
        page.content = rpdetail::rpPdfDeflate(content.data(), content.size());
        page.size = program->bounds().size();
        page.state = Made::Ready;
      }
    } catch (...) {
      page.state = Made::Failed;
      page.error = std::current_exception();
    }
  }

  // Writes the pages that follow the last one written, as long as they are made.
  void writeReady() {
    std::lock_guard<std::mutex> w(writeLock);
    for (;;) {
      Made page;
      int n;
      {
        std::lock_guard<std::mutex> l(m);
        n = written + 1;
        auto it = made.find(n);
        if (haltedAt || it == made.end()) return;
        page = std::move(it->second);
        made.erase(it);
        if (page.state != Made::Ready) {
          haltedAt = n;
          halt = std::move(page);
          made.clear();
          cv.notify_all();
          return;
        }
      }
      pdf->addPage(page.size, page.content);
      {
        std::lock_guard<std::mutex> l(m);
        written = n;
      }
      cv.notify_all();
    }
  }
};

TRpPdfExport::TRpPdfExport(TRpPrinter& printer, const QString& fileName) : d_(std::make_unique<Impl>()) {
  d_->fileName = fileName;
  d_->printer = &printer;
  d_->out = std::make_unique<AtomicFile>(fileName);
  try {
    d_->out->create();
  } catch (const AppError&) {  // Finish() reports it
    d_->openError = std::current_exception();
    d_->out.reset();
    return;
  }
  d_->pdf = std::make_unique<rpdetail::TRpPdfWriter>(*d_->out, printer.Title(), printer.Author());
  if (programsAt96Dpi()) d_->start();
}

TRpPdfExport::~TRpPdfExport() {
  d_->stopWorkers();
  if (d_->printer && d_->printer->Viewer() == this) d_->printer->SetViewer(nullptr);
  d_->pdf.reset();
  if (d_->out) d_->out->cancel();
}

void TRpPdfExport::PageAvailable(int) {
  if (!d_->printer) return;
  TRpPageList* list = d_->printer->PageList();
  const int pages = list ? list->PageCount() : 0;
  {
    std::lock_guard<std::mutex> l(d_->m);
    if (list != d_->list) {  // a new document: start again
      if (d_->next > 1) d_->haltedAt = -1;
      d_->list = list;
    }
    d_->available = pages;
  }
  d_->cv.notify_all();
}

void TRpPdfExport::PrinterDestroyed() {
  d_->stopWorkers();
  d_->printer = nullptr;
}

void TRpPdfExport::Finish() {
  if (!d_->printer) throw ERpError(d_->fileName + QStringLiteral(": the report is gone"));
  TRpPrinter& printer = *d_->printer;
  const std::string name = d_->fileName.toStdString();
  if (printer.Status() != TRpPrinterStatus::mpFinished)
    throw ERpError(
        ErrorKind::Refused, QString(),
        QStringLiteral("O relatório ainda está sendo gerado: aguarde o fim da geração e grave \"%1\" de novo.")
            .arg(d_->fileName));
  const int count = printer.PageCount();
  if (count < 1)
    throw ERpError(ErrorKind::Refused, QString(),
                   QStringLiteral("O relatório não tem nenhuma página, e \"%1\" não foi gravado: a proposta não tem "
                                  "itens para imprimir.")
                       .arg(d_->fileName));
  Impl& d = *d_;
  if (printer.Viewer() == this) printer.SetViewer(nullptr);
  if (!d.out) std::rethrow_exception(d.openError);
  bool own = !d.workers.empty();
  if (own) {
    {
      std::lock_guard<std::mutex> l(d.m);
      if (d.list != printer.PageList()) {
        if (d.next > 1) d.haltedAt = -1;
        d.list = printer.PageList();
      }
      d.available = d.count = count;
    }
    d.cv.notify_all();
    {
      std::unique_lock<std::mutex> l(d.m);
      d.cv.wait(l, [&] { return d.haltedAt || d.written == count; });
    }
    d.stopWorkers();
    auto fail = [&](const std::string& why) {
      if (d.out) d.out->cancel();
      return ERpError(QString::fromStdString(name + ": " + why));
    };
    if (d.haltedAt > 0) {
      const std::string at = "page " + std::to_string(d.haltedAt);
      switch (d.halt.state) {
        case Impl::Made::Ready:
        case Impl::Made::Unsupported:
          break;
        case Impl::Made::Unreadable:
          throw fail(at + " cannot be read");
        case Impl::Made::Damaged:
          throw fail(at + " is damaged");
        case Impl::Made::Failed:
          try {
            std::rethrow_exception(d.halt.error);
          } catch (const std::exception& e) {
            throw fail(e.what());
          }
      }
    }
    own = d.haltedAt == 0;
  }
  if (own) {
    d.pdf->finish(d.fonts);
    d.pdf.reset();
    d.out->commit();  // the first failed write of the PDF, if any, is thrown here
    d.out.reset();
    return;
  }
  // A page only Qt's engine draws as the preview shows it (or another resolution): the whole
  // document goes through it.
  d.pdf.reset();
  d.out->cancel();
  d.out.reset();
  exportWithQt(printer, count, d.fileName);
}

void rpExportPdf(TRpPrinter& printer, const QString& fileName) {
  TRpPdfExport pdf(printer, fileName);
  pdf.Finish();
}

}  // namespace cotavia
