#pragma once
// The one way out for finished pages. A page writer (pagewriter.h) loads each produced page and
// hands it, with its own paper, to a sink; the sink turns pages into its output (a PDF file, PNG
// images, a print job) one at a time, so that no output has to hold every page at once.
//
// A sink's output appears only through Finish(): a sink destroyed before that leaves nothing
// (no file, an aborted job). Errors are thrown as KarvellError with the message to show.
#include <QMarginsF>
#include <QPageLayout>
#include <QPainter>
#include <QSize>
#include <functional>
#include <memory>

class QPagedPaintDevice;

namespace karvell {

class TReportDocument;

// The paper a page is printed on: its own paper size and orientation (as the template stream
// carries them), with the device's unprintable margins.
QPageLayout PageLayoutOf(const TReportDocument& page, const QMarginsF& unprintableMm);
// The current printer's paper (what page setup chose for a document being designed) and
// margins; A4 portrait without margins when there is no printer.
QPageLayout CurrentPrinterLayout();

class TPageSink {
public:
    virtual ~TPageSink() = default;
    // Adds the page as printed, on the paper `layout`.
    virtual void AddPage(const TReportDocument& page, const QPageLayout& layout) = 0;
    // Completes the output: the file appears or the job is sent.
    virtual void Finish() = 0;
    virtual int PageCount() const = 0;

    // Sinks whose output can be made in independent parts (one per thread) and joined answer
    // a new, empty part; others answer null, and the writer then uses one thread.
    virtual std::unique_ptr<TPageSink> NewPart() { return nullptr; }
    // Appends a part made by NewPart() after the pages added so far.
    virtual void AppendPart(std::unique_ptr<TPageSink> /*part*/) {}
    // A part's last page is in: what must happen on the thread that painted it (Qt's font
    // engines belong to that thread) happens here, before the thread ends.
    virtual void ClosePart() {}
};

// A sink that paints pages on a paged device (Qt's PDF writer, a printer): the page set-up,
// the painting and the form offset in one place.
class TPaintedSink : public TPageSink {
public:
    ~TPaintedSink() override;
    void AddPage(const TReportDocument& page, const QPageLayout& layout) override;
    // A page drawn by `draw` instead of from a document (a calibration sheet): the painter's
    // origin is the printable area's corner, in device dots.
    void AddDrawnPage(const QPageLayout& layout,
                      const std::function<void(QPainter&, QPagedPaintDevice&)>& draw);
    int PageCount() const override { return m_pages; }

protected:
    explicit TPaintedSink(QString title) : m_title(std::move(title)) {}
    // Set by the subclass before the first page.
    void SetDevice(QPagedPaintDevice* device) { m_device = device; }
    // Ends painting; throws when the device reports a failure.
    void EndPainting();
    // Ends painting whatever the result; subclasses call it in their destructor, before the
    // device they own goes.
    void StopPainting() noexcept;
    bool IsPainting() const;
    // Called after each page from a document is painted (the PDF's text layer learns it).
    virtual void PagePainted(const TReportDocument&) {}
    const QString& Title() const { return m_title; }
    // The printer's name for messages, empty for a file.
    virtual QString PrinterName() const { return {}; }

private:
    QPainter& StartPage(const QPageLayout& layout);
    QString m_title;
    QPagedPaintDevice* m_device = nullptr;
    std::unique_ptr<QPainter> m_painter;
    int m_pages = 0;
};

} // namespace karvell
