#include "output/pagewriter.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "model/reportdocument.h"
#include "output/pagesink.h"
#include "output/pagespool.h"
#include "platform/error.h"
#include "platform/printer.h"
#include "platform/progress.h"

namespace karvell {
namespace {

// Below this many pages one thread writes them all.
constexpr int kPagesForTwoThreads = 16;
// Pages loaded ahead for the second thread.
constexpr size_t kQueuedPages = 4;

struct Page {
    std::unique_ptr<TReportDocument> document;
    QPageLayout layout;
};

// Pages handed from the loading thread to the painting one.
class PageQueue {
public:
    void Push(Page page) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_pages.size() < kQueuedPages || m_closed; });
        if (m_closed) return;
        m_pages.push_back(std::move(page));
        m_changed.notify_all();
    }
    bool HasRoom() {
        std::lock_guard lock(m_mutex);
        return m_pages.size() < kQueuedPages;
    }
    // Empty once the queue is closed and drained.
    std::optional<Page> Pop() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_pages.empty() || m_closed; });
        if (m_pages.empty()) return std::nullopt;
        Page page = std::move(m_pages.front());
        m_pages.pop_front();
        m_changed.notify_all();
        return page;
    }
    void Close() {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Page> m_pages;
    bool m_closed = false;
};

// A part of the output painted by a thread of its own from the queue.
class SecondPart {
public:
    explicit SecondPart(std::unique_ptr<TPageSink> part)
        : m_part(std::move(part)), m_thread([this] {
              try {
                  while (std::optional<Page> page = m_queue.Pop()) {
                      m_part->AddPage(*page->document, page->layout);
                      ++m_painted;
                  }
                  m_part->ClosePart();
              } catch (...) {
                  m_error = std::current_exception();
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
    PageQueue m_queue;
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
    auto load = [&](int i) {
        Page page;
        page.document = std::make_unique<TReportDocument>();
        LoadPage(*page.document, source(i), m_written + i + 1);
        page.layout = PageLayoutOf(*page.document, m_unprintable);
        return page;
    };
    // This thread loads every page and paints the first part; the other thread paints the rest
    // as the pages come. Loading costs about a twentieth of painting, so this thread paints a
    // little less than half.
    const int split = count * 12 / 25;
    SecondPart second(std::move(part));
    int queued = split;
    for (int i = 0; i < split; ++i) {
        while (queued < count && second.Queue().HasRoom())
            second.Queue().Push(load(queued++));
        const Page page = load(i);
        m_sink.AddPage(*page.document, page.layout);
        Step(i + 1 + second.Painted());
    }
    while (queued < count) {
        second.Queue().Push(load(queued++));
        Step(split + second.Painted());
    }
    m_sink.AppendPart(second.Finish());
}

} // namespace karvell
