// Writing produced pages: each page is a complete template stream in memory, with page-time
// functions substituted and display formats left out.
#include <QBuffer>

#include "model/templatestream.h"
#include "platform/error.h"
#include "platform/printer.h"
#include "runtime/reportruntime.h"

namespace karvell {

void TReportRunTime::AddPage(int pageNo, int pageCount) {
    auto buffer = std::make_unique<QBuffer>();
    buffer->open(QIODevice::ReadWrite);
    WritePage(*buffer, pageNo, pageCount);
    PageStreams.append(buffer.release());
}

void TReportRunTime::WritePage(QIODevice& stream, int pageNo, int pageCount) {
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
    const TemplateTrailer t{PaperSize, PaperOrientation, PaperLength, PaperWidth,
                            FooterLineIndex};
    auto pageText = [this, pageNo, pageCount](const TReportCell* cell) {
        return PageText(cell, pageNo, pageCount);
    };
    if (!WriteTemplate(stream, 0, h, PageLines, t, pageText, false))
        throw KarvellError(QStringLiteral("写入第 %1 页失败：%2").arg(pageNo).arg(
            stream.errorString()));
}

void TReportRunTime::FreePages() {
    qDeleteAll(PageStreams);
    PageStreams.clear();
}

} // namespace karvell
