// Writing produced pages: each page is a complete template stream in memory, with page-time
// functions substituted and display formats left out.
#include <QBuffer>

#include "model/templatestream.h"
#include "platform/error.h"
#include "platform/printer.h"
#include "runtime/reportruntime.h"

namespace karvell {

void TReportRunTime::AddPage(int pageNo, int pageCount) {
    // The page's bytes become the stream's content as they are, without another copy.
    QByteArray bytes = PageBytes(pageNo, pageCount);
    bytes.squeeze(); // pages are kept until the preview ends: no spare capacity
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadWrite);
    PageStreams.append(buffer.release());
}

void TReportRunTime::WritePage(QIODevice& stream, int pageNo, int pageCount) {
    const QByteArray bytes = PageBytes(pageNo, pageCount);
    if (!stream.seek(0) || stream.write(bytes) != bytes.size())
        throw KarvellError(
            QStringLiteral("写入第 %1 页失败：%2").arg(pageNo).arg(stream.errorString()));
}

QByteArray TReportRunTime::PageBytes(int pageNo, int pageCount) {
    // The paper of the current printer, taken as the grid's save takes it.
    DEVMODE* dm = LockPrinterDevMode();
    dm->dmFields |= DM_PAPERSIZE | DM_ORIENTATION;
    PaperSize = dm->dmPaperSize;
    PaperOrientation = dm->dmOrientation;
    PaperLength = dm->dmPaperLength;
    PaperWidth = dm->dmPaperWidth;

    TemplateHeader h;
    h.Zoom = Zoom;
    h.PageWidth = PageWidth;
    h.PageHeight = PageHeight;
    h.LeftMarginPx = LeftMarginPx;
    h.TopMarginPx = TopMarginPx;
    h.RightMarginPx = RightMarginPx;
    h.BottomMarginPx = BottomMarginPx;
    h.LeftMargin = LeftMargin;
    h.TopMargin = TopMargin;
    h.RightMargin = RightMargin;
    h.BottomMargin = BottomMargin;
    h.Reserved1 = Reserved1;
    h.Reserved2 = Reserved2;
    h.Reserved3 = Reserved3;
    const TemplateTrailer t{PaperSize, PaperOrientation, PaperLength, PaperWidth, FooterLineIndex};
    // Page numbers and totals substituted; display formats left out.
    auto pageText = [this, pageNo, pageCount](const TReportCell* cell) {
        return PageText(cell, pageNo, pageCount);
    };
    return WriteTemplate(h, PageLines, t, pageText, false);
}

void TReportRunTime::FreePages() {
    qDeleteAll(PageStreams);
    PageStreams.clear();
}

} // namespace karvell
