#include "output/pagewriter.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "model/reportdocument.h"
#include "output/pagesink.h"
#include "output/pagespool.h"
#include "platform/boundedqueue.h"
#include "platform/error.h"
#include "platform/printer.h"
#include "platform/progress.h"

namespace karvell {
namespace {

// Below this many pages one thread writes them all.
constexpr int kPagesForTwoThreads = 16;
// Pages read ahead for the second thread.
constexpr size_t kQueuedPages = 4;

// A page's stream as the source gives it, for the painting thread to load.
struct Page {
    QByteArray stream;
    int number = 0; // 1-based, for messages
};

// Pages go from the reading thread to the painting one as streams: the painting thread loads
// each page itself. Memory is released fastest by the thread that took it, and a page's cells
// freed by another thread would make the two threads queue for the allocator's lock.
using PageQueue = BoundedQueue<Page>;

// A part of the output painted by a thread of its own from the queue.
class SecondPart {
public:
    SecondPart(std::unique_ptr<TPageSink> part, const QMarginsF& unprintableMm)
        : m_part(std::move(part)), m_thread([this, unprintableMm] {
              try {
                  TReportDocument document;
                  while (std::optional<Page> page = m_queue.Pop()) {
                      TPageWriter::LoadPage(document, page->stream, page->number);
                      m_part->AddPage(document, PageLayoutOf(document, unprintableMm));
                      ++m_painted;
                  }
                  m_part->ClosePart();
              } catch (...) {
                  m_error = std::current_exception();
                  // The part is dropped here: its painter holds fonts of this thread, which
                  // are gone once it ends.
                  m_part.reset();
                  m_queue.Close();
              }
          }) {}
    ~SecondPart() { Join(); }
    PageQueue& Queue() { return m_queue; }
    int Painted() const { return m_painted; }
    // Waits for the last page and answers the part; throws what the thread threw.
    std::unique_ptr<TPageSink> Finish() {
        Join();
        if (m_error) std::rethrow_exception(m_error);
        return std::move(m_part);
    }

private:
    void Join() {
        m_queue.Close();
        if (m_thread.joinable()) m_thread.join();
    }
    std::unique_ptr<TPageSink> m_part;
    PageQueue m_queue{kQueuedPages};
    std::atomic<int> m_painted = 0;
    std::exception_ptr m_error;
    std::thread m_thread; // last: starts when everything it uses exists
};

// The first pages of a run painted by a thread of its own while the rest are still being made:
// it takes pages in order, as the spool gets them, until the page its part ends before.
class EarlyPart {
public:
    EarlyPart(std::unique_ptr<TPageSink> part, const TPageSpool& spool,
              const QMarginsF& unprintableMm, int pagesBefore)
        : m_part(std::move(part)), m_spool(spool), m_thread([this, unprintableMm, pagesBefore] {
              try {
                  TReportDocument document;
                  for (int i = Take(); i >= 0 && m_spool.WaitFor(i); i = Take()) {
                      TPageWriter::LoadPage(document, m_spool.Page(i), pagesBefore + i + 1);
                      m_part->AddPage(document, PageLayoutOf(document, unprintableMm));
                      ++m_painted;
                  }
                  m_part->ClosePart();
              } catch (...) {
                  m_error = std::current_exception();
                  m_part.reset(); // its painter holds fonts of this thread
              }
          }) {}
    // The spool must be closed first, or the thread may wait for a page that never comes.
    ~EarlyPart() {
        EndAt(0);
        if (m_thread.joinable()) m_thread.join();
    }
    EarlyPart(const EarlyPart&) = delete;
    EarlyPart& operator=(const EarlyPart&) = delete;

    // Ends the part about half way through the pages it has not taken of `count` (all of
    // them for a short run, which one part holds best), or at once with 0; answers where.
    int EndAt(int count) {
        std::lock_guard lock(m_mutex);
        const int rest = std::max(0, count - m_next);
        m_end = m_next + (count < kPagesForTwoThreads ? rest : rest / 2);
        return m_end;
    }
    int Painted() const { return m_painted; }
    // Waits for the part's last page and answers the part; throws what the thread threw.
    std::unique_ptr<TPageSink> Finish() {
        if (m_thread.joinable()) m_thread.join();
        if (m_error) std::rethrow_exception(m_error);
        return std::move(m_part);
    }

private:
    int Take() {
        std::lock_guard lock(m_mutex);
        return m_next < m_end ? m_next++ : -1;
    }
    std::unique_ptr<TPageSink> m_part;
    const TPageSpool& m_spool;
    std::mutex m_mutex;
    int m_next = 0;      // the next page to take
    int m_end = INT_MAX; // the page the part ends before; open while pages are made
    std::atomic<int> m_painted = 0;
    std::exception_ptr m_error;
    std::thread m_thread; // last: starts when everything it uses exists
};

QMarginsF CurrentUnprintable() {
    PrinterService& printers = PrinterService::Instance();
    return printers.HasPrinter() ? printers.UnprintableMm() : QMarginsF();
}

} // namespace

TPageWriter::TPageWriter(TPageSink& sink) : TPageWriter(sink, CurrentUnprintable()) {}

TPageWriter::TPageWriter(TPageSink& sink, const QMarginsF& unprintableMm)
    : m_sink(sink), m_unprintable(unprintableMm) {}

void TPageWriter::LoadPage(TReportDocument& into, const QByteArray& stream, int number) {
    try {
        into.RestoreSnapshot(stream);
    } catch (const KarvellError& e) {
        throw KarvellError(QStringLiteral("第 %1 页无法载入：%2").arg(number).arg(e.message()));
    }
}

void TPageWriter::Step(int done) {
    if (m_progress) m_progress->Step(done);
}

void TPageWriter::Write(const QList<QBuffer*>& pages) {
    Write(int(pages.size()), [&pages](int i) { return pages[i]->data(); });
}

void TPageWriter::Write(const TPageSpool& pages) {
    Write(pages.Count(), [&pages](int i) { return pages.Page(i); });
}

void TPageWriter::Write(int count, const PageSource& page) {
    if (m_progress) m_progress->Begin(m_label, QStringLiteral("页"), count);
    if (count < kPagesForTwoThreads || std::thread::hardware_concurrency() < 2)
        WriteOneThread(count, page);
    else if (std::unique_ptr<TPageSink> part = m_sink.NewPart())
        WriteTwoThreads(count, page, std::move(part));
    else
        WriteOneThread(count, page);
    m_written += count;
    if (m_progress) m_progress->End();
}

void TPageWriter::WriteOneThread(int count, const PageSource& source) {
    TReportDocument page;
    for (int i = 0; i < count; ++i) {
        LoadPage(page, source(i), m_written + i + 1);
        m_sink.AddPage(page, PageLayoutOf(page, m_unprintable));
        Step(i + 1);
    }
}

void TPageWriter::WriteTwoThreads(int count, const PageSource& source,
                                  std::unique_ptr<TPageSink> part) {
    // This thread reads every page and paints the first part; the other thread paints the rest
    // as the pages come. Reading costs little beside painting, so this thread paints a little
    // less than half.
    const int split = count * 12 / 25;
    SecondPart second(std::move(part), m_unprintable);
    int queued = split;
    const auto queue = [&] {
        second.Queue().Push(Page{source(queued), m_written + queued + 1});
        ++queued;
    };
    TReportDocument page;
    for (int i = 0; i < split; ++i) {
        while (queued < count && second.Queue().HasRoom())
            queue();
        LoadPage(page, source(i), m_written + i + 1);
        m_sink.AddPage(page, PageLayoutOf(page, m_unprintable));
        Step(i + 1 + second.Painted());
    }
    while (queued < count) {
        queue();
        Step(split + second.Painted());
    }
    m_sink.AppendPart(second.Finish());
}

bool TPageWriter::WriteAsMade(TPageSpool& pages, const std::function<bool()>& make) {
    // The spool is closed however make() ends, before an early part is ended: its thread
    // may be waiting for the next page.
    const auto makeAll = [&] {
        try {
            const bool complete = make();
            pages.Close();
            return complete;
        } catch (...) {
            pages.Close();
            throw;
        }
    };
    std::unique_ptr<TPageSink> part;
    if (std::thread::hardware_concurrency() >= 2) part = m_sink.NewPart();
    if (!part) {
        const bool complete = makeAll();
        if (complete) Write(pages);
        return complete;
    }
    EarlyPart first(std::move(part), pages, m_unprintable, m_written); // dropped on failure
    if (!makeAll()) return false;
    const int count = pages.Count();
    if (m_progress) m_progress->Begin(m_label, QStringLiteral("页"), count);
    const int split = first.EndAt(count);
    std::unique_ptr<TPageSink> rest = split < count ? m_sink.NewPart() : nullptr;
    TReportDocument page;
    for (int i = split; i < count; ++i) {
        LoadPage(page, pages.Page(i), m_written + i + 1);
        rest->AddPage(page, PageLayoutOf(page, m_unprintable));
        Step(first.Painted() + i - split + 1);
    }
    if (rest) rest->ClosePart();
    m_sink.AppendPart(first.Finish());
    if (rest) m_sink.AppendPart(std::move(rest));
    m_written += count;
    if (m_progress) m_progress->End();
    return true;
}

} // namespace karvell
