#include "pagebook.h"

#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

#include "platform/error.h"
#include "platform/printer.h"

namespace karvell {

std::unique_ptr<PageBook> PageBook::ForPdf(const QString& path, const QString& title) {
    std::unique_ptr<PageBook> book(new PageBook);
    book->m_path = path;
    book->m_title = title;
    book->m_buffer = std::make_unique<QBuffer>(&book->m_pdf);
    book->m_buffer->open(QIODevice::WriteOnly);
    book->m_writer = std::make_unique<QPdfWriter>(book->m_buffer.get());
    book->m_writer->setTitle(title);
    book->m_writer->setCreator(QStringLiteral("karvell"));
    book->m_writer->setResolution(PrinterService::Instance().DpiX());
    book->m_device = book->m_writer.get();
    return book;
}

std::unique_ptr<PageBook> PageBook::ForQueue(const QString& queue, const QString& title) {
    std::unique_ptr<PageBook> book(new PageBook);
    book->m_title = title;
    book->m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    book->m_printer->setPrinterName(queue);
    if (!book->m_printer->isValid())
        throw KarvellError(QStringLiteral("打印机 %1 不可用").arg(queue));
    book->m_printer->setDocName(title);
    book->m_device = book->m_printer.get();
    return book;
}

PageBook::~PageBook() {
    // A book that was not finished leaves nothing: no file, and an aborted print job.
    if (m_printer && m_painter.isActive()) m_printer->abort();
    if (m_painter.isActive()) m_painter.end();
}

void PageBook::AddPages(const QList<QBuffer*>& pages) {
    PrinterService& printers = PrinterService::Instance();
    for (QBuffer* page : pages) {
        if (!m_grid.LoadFromStream(*page, 0))
            throw KarvellError(QStringLiteral("第 %1 页无法载入").arg(m_pages + 1));
        // Each page carries its paper, which loading it gave the printer.
        m_device->setPageLayout(
            PageLayoutFor(*printers.LockPrinterDevMode(), printers.UnprintableMm()));
        if (m_pages == 0) {
            if (!m_painter.begin(m_device))
                throw KarvellError(QStringLiteral("无法开始打印作业“%1”").arg(m_title));
        } else if (!m_device->newPage()) {
            throw KarvellError(QStringLiteral("无法添加第 %1 页").arg(m_pages + 1));
        }
        m_grid.PaintPrintPage(m_painter, QSize(m_device->width(), m_device->height()));
        if (m_writer)
            for (const TReportLine* line : std::as_const(m_grid.Lines))
                for (const TReportCell* cell : line->Cells)
                    if (!cell->OwnerCell && !cell->CellText.isEmpty())
                        m_text.AddText(cell->LogFont, cell->CellText);
        ++m_pages;
    }
}

void PageBook::Finish() {
    if (m_painter.isActive() && !m_painter.end())
        throw KarvellError(QStringLiteral("打印作业“%1”失败").arg(m_title));
    if (!m_writer) return;
    m_writer.reset();
    m_buffer->close();
    const QByteArray pdf = m_text.Fix(m_pdf);
    // Written beside the target and renamed over it only when complete.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size() || !file.commit())
        throw KarvellError(QStringLiteral("无法写入 %1：%2").arg(m_path, file.errorString()));
}

} // namespace karvell
