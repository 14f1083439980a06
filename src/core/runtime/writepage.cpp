// Writing produced pages: each page is a complete template stream in memory, with page-time
// functions substituted and display formats left out.
#include <QBuffer>

#include "model/amountformat.h"
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
    if (KeepNumberCells) PageNumberCells.append(NumberCellsOfPage());
}

TPageNumberCells TReportRunTime::NumberCellsOfPage() const {
    // Digit columns keep their format in the page itself; upper-case amounts are words.
    TPageNumberCells cells;
    for (int l = 0; l < PageLines.size(); ++l) {
        const QList<TReportCell*>& line = PageLines[l]->Cells;
        for (int c = 0; c < line.size(); ++c) {
            const TReportCell* cell = line[c];
            if (cell->OwnerCell || cell->CellDispFormat.isEmpty() ||
                ParseAmountFormat(cell->CellDispFormat).style != AmountStyle::None)
                continue;
            cells.append(TNumberCell{l, c, cell->CellDispFormat});
        }
    }
    return cells;
}

void TReportRunTime::WritePage(QIODevice& stream, int pageNo, int pageCount) {
    const QByteArray bytes = PageBytes(pageNo, pageCount);
    if (!stream.seek(0) || stream.write(bytes) != bytes.size())
        throw KarvellError(
            QStringLiteral("写入第 %1 页失败：%2").arg(pageNo).arg(stream.errorString()));
}

QByteArray TReportRunTime::PageBytes(int pageNo, int pageCount) {
    // The paper of the current printer, taken as the grid's save takes it.
    TakePrinterPaper(*this);
    const TemplateHeader h = HeaderOf(*this);
    const TemplateTrailer t = TrailerOf(*this);
    // Page numbers and totals substituted; display formats left out, but for the digit-column
    // formats, which tell the painter and the measurement how the cell is drawn.
    auto pageText = [this, pageNo, pageCount](const TReportCell* cell) {
        return PageText(cell, pageNo, pageCount);
    };
    auto pageFormat = [](const TReportCell* cell) {
        return ParseAmountFormat(cell->CellDispFormat).ValidColumns() ? cell->CellDispFormat
                                                                      : QByteArray();
    };
    return WriteTemplateFormats(h, PageLines, t, pageText, pageFormat);
}

void TReportRunTime::FreePages() {
    qDeleteAll(PageStreams);
    PageStreams.clear();
    PageNumberCells.clear();
}

} // namespace karvell
