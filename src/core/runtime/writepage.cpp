// Writing produced pages: each page is a complete template stream in memory, with page-time
// functions substituted and display formats left out.
#include <QBuffer>

#include "format/amountformat.h"
#include "model/templatestream.h"
#include "platform/error.h"
#include "platform/gbk.h"
#include "platform/printer.h"
#include "runtime/reportruntime.h"

namespace karvell {

void TReportRunTime::AddPage(int pageNo, int pageCount) {
    // The page's bytes become the stream's content as they are, without another copy.
    QByteArray bytes = PageBytes(pageNo, pageCount);
    if (KeepNumberCells) PageNumberCells.append(NumberCellsOfPage());
    if (PageOut) {
        PageOut(bytes);
        return;
    }
    bytes.squeeze(); // pages are kept until the preview ends: no spare capacity
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadWrite);
    PageStreams.append(buffer.release());
}

TPageNumberCells TReportRunTime::NumberCellsOfPage() const {
    // Cells with a number format, and those filled from a numeric column or a total in the
    // general form (by their template cell). Digit columns keep their format in the page
    // itself; upper-case amounts are words.
    TPageNumberCells cells;
    for (int l = 0; l < PageLines.size(); ++l) {
        const QList<TReportCell*>& line = PageLines[l]->Cells;
        const TReportLine* templateLine = m_templateOf.value(PageLines[l]);
        for (int c = 0; c < line.size(); ++c) {
            const TReportCell* cell = line[c];
            if (cell->OwnerCell || cell->CellText.isEmpty()) continue;
            if (!cell->CellDispFormat.isEmpty()) {
                if (ParseAmountFormat(cell->CellDispFormat).style == AmountStyle::None)
                    cells.append(TNumberCell{l, c, cell->CellDispFormat});
                continue;
            }
            if (!templateLine || c >= templateLine->Cells.size()) continue;
            const TReportCell* t = templateLine->Cells[c];
            const auto field = m_fieldCache.constFind(t);
            if (field != m_fieldCache.constEnd() && field->dataSet &&
                field->dataSet->Fields().value(field->column).isDate) {
                cells.append(TNumberCell{l, c, ShortDateFormat().toUtf8(), true});
                continue;
            }
            const bool numericField =
                field != m_fieldCache.constEnd() && field->kind == FieldKind::Numeric;
            if (numericField || Gbk::Upper(t->CellText.left(4)) == "`SUM")
                cells.append(TNumberCell{l, c, QByteArray()});
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
