#include "output/pagesink.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include "model/reportdocument.h"
#include "platform/error.h"
#include "platform/printer.h"
#include "render/printpage.h"

namespace karvell {

QPageLayout PageLayoutOf(const TReportDocument& page, const QMarginsF& unprintableMm) {
    // The fields loading a page would put into the printer, read from the page itself.
    DEVMODE dm;
    dm.dmPaperSize = static_cast<int16_t>(page.PaperSize);
    dm.dmOrientation = static_cast<int16_t>(page.PaperOrientation);
    dm.dmPaperLength = static_cast<int16_t>(page.PaperLength);
    dm.dmPaperWidth = static_cast<int16_t>(page.PaperWidth);
    return PageLayoutFor(dm, unprintableMm);
}

QPageLayout CurrentPrinterLayout() {
    PrinterService& printers = PrinterService::Instance();
    if (!printers.HasPrinter()) return PageLayoutFor(DEVMODE{}, QMarginsF());
    return PageLayoutFor(*printers.LockPrinterDevMode(), printers.UnprintableMm());
}

TPaintedSink::~TPaintedSink() {
    StopPainting();
}

void TPaintedSink::StopPainting() noexcept {
    if (m_painter && m_painter->isActive()) m_painter->end();
}

bool TPaintedSink::IsPainting() const {
    return m_painter && m_painter->isActive();
}

QPainter& TPaintedSink::StartPage(const QPageLayout& layout) {
    if (!m_device) throw KarvellError(QStringLiteral("打印作业“%1”没有输出设备").arg(m_title));
    m_device->setPageLayout(layout);
    if (!m_painter) m_painter = std::make_unique<QPainter>();
    if (!m_painter->isActive()) {
        if (!m_painter->begin(m_device))
            throw KarvellError(PrinterName().isEmpty()
                                   ? QStringLiteral("无法开始打印作业“%1”").arg(m_title)
                                   : QStringLiteral("无法在打印机 %2 上开始打印作业“%1”")
                                         .arg(m_title, PrinterName()));
    } else if (!m_device->newPage()) {
        throw KarvellError(QStringLiteral("无法添加第 %1 页").arg(m_pages + 1));
    }
    // Each page starts from the painter's initial state, as a fresh job would.
    m_painter->resetTransform();
    return *m_painter;
}

void TPaintedSink::AddPage(const TReportDocument& page, const QPageLayout& layout) {
    QPainter& painter = StartPage(layout);
    PaintPrintPage(painter, page, QSize(m_device->width(), m_device->height()));
    ++m_pages;
    PagePainted(page);
}

void TPaintedSink::AddDrawnPage(const QPageLayout& layout,
                                const std::function<void(QPainter&, QPagedPaintDevice&)>& draw) {
    QPainter& painter = StartPage(layout);
    painter.save();
    draw(painter, *m_device);
    painter.restore();
    ++m_pages;
}

void TPaintedSink::EndPainting() {
    if (m_painter && m_painter->isActive() && !m_painter->end())
        throw KarvellError(
            PrinterName().isEmpty()
                ? QStringLiteral("打印作业“%1”失败").arg(m_title)
                : QStringLiteral("打印机 %2 上的打印作业“%1”失败").arg(m_title, PrinterName()));
}

} // namespace karvell
