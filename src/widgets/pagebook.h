#pragma once
// Pages produced by the runtime printed into one document: one PDF file, or one job on a print
// queue. Each page is loaded into a grid and painted as on paper, on the paper it carries.
#include <QBuffer>
#include <QByteArray>
#include <QList>
#include <QPainter>
#include <QString>
#include <memory>

#include "render/pdftext.h"
#include "reportcontrol.h"

class QPagedPaintDevice;
class QPdfWriter;
class QPrinter;

namespace karvell {

class PageBook {
public:
    // A PDF written to `path` when Finish succeeds (nothing is left otherwise).
    static std::unique_ptr<PageBook> ForPdf(const QString& path, const QString& title);
    // One print job on the queue `queue`.
    static std::unique_ptr<PageBook> ForQueue(const QString& queue, const QString& title);
    ~PageBook();

    // Appends the pages (template streams); throws KarvellError when one cannot be loaded.
    void AddPages(const QList<QBuffer*>& pages);
    int PageCount() const { return m_pages; }
    // Ends the document (and writes the PDF file); throws KarvellError on failure.
    void Finish();

private:
    PageBook() = default;
    QString m_path; // PDF file; empty for a queue
    QString m_title;
    QByteArray m_pdf;
    std::unique_ptr<QBuffer> m_buffer;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPrinter> m_printer;
    QPagedPaintDevice* m_device = nullptr;
    QPainter m_painter;
    PdfTextFixer m_text;
    TReportControl m_grid;
    int m_pages = 0;
};

} // namespace karvell
