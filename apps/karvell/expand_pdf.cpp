#include "expand_pdf.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "model/reportdocument.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/printer.h"
#include "platform/progress.h"
#include "render/pdfjoin.h"
#include "render/pdftext.h"
#include "render/printpage.h"
#include "runtime/reportruntime.h"

namespace karvell::cli {
namespace {

// Below this many pages one thread writes the whole file.
constexpr int kPagesForTwoThreads = 16;
// Pages loaded ahead for the second thread.
constexpr size_t kQueuedPages = 4;

struct Page {
    std::unique_ptr<TReportDocument> document;
    QPageLayout layout;
    int index = 0;
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

// One part of the file: pages painted into a PDF in memory.
class PartWriter {
public:
    PartWriter(const QString& title, int dpi) : m_buffer(&m_pdf), m_writer(&m_buffer) {
        m_buffer.open(QIODevice::WriteOnly);
        m_writer.setTitle(title);
        m_writer.setCreator(QStringLiteral("karvell"));
        m_writer.setResolution(dpi);
    }
    void Paint(const Page& page) {
        // Each page carries its paper, which loading it gave the printer.
        m_writer.setPageLayout(page.layout);
        if (!m_painter.isActive()) {
            if (!m_painter.begin(&m_writer))
                throw KarvellError(QStringLiteral("karvell expand: 无法开始写入 PDF"));
        } else if (!m_writer.newPage()) {
            throw KarvellError(
                QStringLiteral("karvell expand: 无法添加 PDF 第 %1 页").arg(page.index + 1));
        }
        PaintPrintPage(m_painter, *page.document, QSize(m_writer.width(), m_writer.height()));
    }
    QByteArray Finish() {
        if (m_painter.isActive() && !m_painter.end())
            throw KarvellError(QStringLiteral("karvell expand: 写入 PDF 失败"));
        m_buffer.close();
        return std::exchange(m_pdf, QByteArray());
    }

private:
    QByteArray m_pdf;
    QBuffer m_buffer;
    QPdfWriter m_writer;
    QPainter m_painter;
};

// Loads a page, learns its text for the text layer, and takes the printer's paper for it.
Page LoadPage(const TReportRunTime& runtime, int index, PdfTextFixer& text) {
    Page page;
    page.index = index;
    page.document = std::make_unique<TReportDocument>();
    if (!page.document->LoadFromStream(*runtime.PageStreams[index], 0))
        throw KarvellError(QStringLiteral("karvell expand: 第 %1 页无法载入").arg(index + 1));
    for (const TReportLine* line : std::as_const(page.document->Lines))
        for (const TReportCell* cell : line->Cells)
            if (!cell->OwnerCell && !cell->CellText.isEmpty())
                text.AddText(cell->LogFont, cell->CellText);
    PrinterService& printers = PrinterService::Instance();
    page.layout = PageLayoutFor(*printers.LockPrinterDevMode(), printers.UnprintableMm());
    return page;
}

// The second part, painted by a thread of its own from the queue.
class SecondPart {
public:
    SecondPart(const QString& title, int dpi)
        : m_thread([this, title, dpi] {
              try {
                  PartWriter part(title, dpi);
                  while (std::optional<Page> page = m_queue.Pop()) {
                      part.Paint(*page);
                      ++m_painted;
                  }
                  m_pdf = part.Finish();
              } catch (...) {
                  m_error = std::current_exception();
                  m_queue.Close();
              }
          }) {}
    ~SecondPart() { Join(); }
    PageQueue& Queue() { return m_queue; }
    int Painted() const { return m_painted; }
    // Waits for the last page and answers the part; throws what the thread threw.
    QByteArray Finish() {
        Join();
        if (m_error) std::rethrow_exception(m_error);
        return std::exchange(m_pdf, QByteArray());
    }

private:
    void Join() {
        m_queue.Close();
        if (m_thread.joinable()) m_thread.join();
    }
    PageQueue m_queue;
    std::atomic<int> m_painted = 0;
    QByteArray m_pdf;
    std::exception_ptr m_error;
    std::thread m_thread; // last: starts when everything it uses exists
};

} // namespace

void WriteExpandedPdf(const TReportRunTime& runtime, const QString& path,
                      ProgressReport& progress) {
    const QString title = QFileInfo(path).completeBaseName();
    const int dpi = PrinterService::Instance().DpiX();
    const int pages = int(runtime.PageStreams.size());
    PdfTextFixer text;
    progress.Begin(QStringLiteral("写入 PDF"), QStringLiteral("页"), pages);

    QByteArray pdf;
    if (pages < kPagesForTwoThreads || std::thread::hardware_concurrency() < 2) {
        PartWriter part(title, dpi);
        for (int i = 0; i < pages; ++i) {
            part.Paint(LoadPage(runtime, i, text));
            progress.Step(i + 1);
        }
        pdf = part.Finish();
    } else {
        // This thread loads every page (loading sets the printer's paper) and paints the first
        // part; the other thread paints the rest as the pages come. Loading costs about a
        // twentieth of painting, so this thread paints a little less than half.
        const int split = pages * 12 / 25;
        SecondPart second(title, dpi);
        PartWriter first(title, dpi);
        int queued = split;
        for (int i = 0; i < split; ++i) {
            while (queued < pages && second.Queue().HasRoom())
                second.Queue().Push(LoadPage(runtime, queued++, text));
            first.Paint(LoadPage(runtime, i, text));
            progress.Step(i + 1 + second.Painted());
        }
        while (queued < pages) {
            second.Queue().Push(LoadPage(runtime, queued++, text));
            progress.Step(split + second.Painted());
        }
        pdf = JoinQtPdfs({first.Finish(), second.Finish()});
        if (pdf.isEmpty())
            throw KarvellError(QStringLiteral("karvell expand: PDF 的各部分无法合并"));
    }
    pdf = text.Fix(pdf);
    WriteFileAtomic(path, pdf);
}

} // namespace karvell::cli
