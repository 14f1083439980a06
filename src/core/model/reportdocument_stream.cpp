// Reading and writing the grid's document as a template stream, and the column-width table
// that carries widths edited on one produced page to the stored page.
#include <QBuffer>
#include <QFile>

#include "model/limits.h"
#include "model/reportdocument.h"
#include "model/templatestream.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/fileopen.h"
#include "platform/printer.h"

namespace karvell {

void TReportDocument::SaveToStream(QIODevice& stream, qint64 position) {
    // The printer's paper becomes the template's; without a printer the template keeps its
    // own. The zoom the window shows stays: the stream says 100 % whatever it is.
    if (HasPrinter()) TakePrinterPaper(*this);
    const QByteArray bytes = WriteTemplate(SnapshotHeader(), Lines, TrailerOf(*this));
    // What the reader would refuse is not written.
    if (bytes.size() > MAX_TEMPLATE_BYTES)
        throw KarvellError(QStringLiteral("模板数据有 %1 MB，超过 %2 MB 的上限，无法保存")
                               .arg((bytes.size() + (1 << 20) - 1) >> 20)
                               .arg(MAX_TEMPLATE_BYTES >> 20));
    if (!stream.seek(position) || stream.write(bytes) != bytes.size())
        throw KarvellError(QStringLiteral("写入模板数据失败"));
}

TemplateHeader TReportDocument::SnapshotHeader() const {
    TemplateHeader h = HeaderOf(*this);
    h.Zoom = 100; // a stored document is always at 100 %
    return h;
}

QByteArray TReportDocument::Snapshot() const {
    return WriteTemplate(SnapshotHeader(), Lines, TrailerOf(*this));
}

void TReportDocument::RestoreSnapshot(const QByteArray& bytes) {
    TemplateData data;
    QString error;
    if (ReadTemplate(bytes, data, &error) != ReadStatus::Ok)
        throw KarvellError(QStringLiteral("无法恢复文档：%1").arg(error));
    const int zoom = Zoom;
    AdoptTemplate(data);
    if (zoom != 100) SetZoom(zoom);
}

bool TReportDocument::LoadFromStream(QIODevice& stream, qint64 position) {
    TemplateData data;
    QString error;
    switch (ReadTemplate(stream, position, data, &error)) {
    case ReadStatus::BadMagic:
        throw KarvellError(QStringLiteral("格式不正确"));
    case ReadStatus::Corrupt:
        throw KarvellError(error);
    case ReadStatus::Ok:
        break;
    }
    AdoptTemplate(data);
    // Opening a template selects its paper for the printing that follows; without a printer
    // the template keeps its own page.
    if (HasPrinter()) PutPaperIntoPrinter(*this);
    return true;
}

void TReportDocument::AdoptTemplate(TemplateData& data) {
    ClearSelection();
    FocusCell = LastSelectedCell = nullptr;
    if (ViewEditBoxVisible()) ViewDestroyEditBox();
    EditingCell = nullptr;
    ++m_removals;
    qDeleteAll(Lines);
    Lines = data.TakeLines();
    for (TReportLine* line : Lines)
        line->ReportControl = this;

    const TemplateHeader& h = data.header;
    Zoom = 100;
    SetHeaderFields(*this, h);
    CachedPageWidth = PageWidth;
    CachedPageHeight = PageHeight;
    m_windowSize = QSize(PageWidth, PageHeight);
    ViewResize(PageWidth, PageHeight);
    PaperSize = data.trailer.PaperSize;
    PaperOrientation = data.trailer.PaperOrientation;
    PaperLength = data.trailer.PaperLength;
    PaperWidth = data.trailer.PaperWidth;
    FooterLineIndex = data.trailer.FooterLineIndex;
    UpdateLines();
    ViewRepaintAll();
}

void TReportDocument::SaveToFile(const QString& fileName) {
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    SaveToStream(buffer, 0);
    WriteFileAtomic(fileName, buffer.data());
}

bool TReportDocument::LoadFromFile(const QString& fileName) {
    QFile file(fileName);
    QString why;
    if (!OpenForReading(file, &why))
        throw KarvellError(QStringLiteral("无法打开文件“%1”：%2").arg(fileName, why));
    TemplateData data;
    switch (ReadTemplate(file, 0, data, &why)) {
    case ReadStatus::BadMagic:
        throw KarvellError(QStringLiteral("“%1”格式不正确").arg(fileName));
    case ReadStatus::Corrupt:
        throw KarvellError(QStringLiteral("模板文件“%1”已损坏：%2").arg(fileName, why));
    case ReadStatus::Ok:
        break;
    }
    AdoptTemplate(data);
    if (HasPrinter()) PutPaperIntoPrinter(*this);
    return true;
}

bool TReportDocument::StoreColumnWidths(int detailLineIndex) {
    // The table has 40 rows of 40 widths, and its last row holds the count; pages with more
    // lines or cells than that are left alone.
    int rowsNeeded = detailLineIndex + 1;
    if (FooterLineIndex < Lines.size()) rowsNeeded += Lines.size() - std::max(0, FooterLineIndex);
    if (detailLineIndex < 0 || detailLineIndex >= Lines.size() || rowsNeeded > 39) return false;
    for (const TReportLine* line : Lines)
        if (line->Cells.size() > 40) return false;
    if (ColumnWidths.size() != 40) ColumnWidths.resize(40, std::array<int32_t, 40>{});
    auto storeRow = [&](int row, const TReportLine* line) {
        for (int j = 0; j < line->Cells.size(); ++j)
            ColumnWidths[row][j] = line->Cells[j]->CellWidth;
    };
    for (int i = 0; i <= detailLineIndex; ++i)
        storeRow(i, Lines[i]);
    int r = detailLineIndex + 1;
    for (int i = std::max(0, FooterLineIndex); i < Lines.size(); ++i)
        storeRow(r++, Lines[i]);
    ColumnWidths[39][0] = r - 1;
    return true;
}

void TReportDocument::ApplyColumnWidths(QIODevice& stream) {
    if (!LoadFromStream(stream, 0)) return;
    if (ColumnWidths.size() != 40) return;
    int n = Lines.size() - 1;
    if (n != ColumnWidths[39][0]) n = WidthLineCount - 1;
    n = std::min(n, std::min<int>(Lines.size() - 1, 38));
    for (int i = 0; i <= n; ++i) {
        TReportLine* line = Lines[i];
        for (int j = 0; j < line->Cells.size() && j < 40; ++j)
            line->Cells[j]->SetCellWidth(ColumnWidths[i][j]);
    }
    UpdateLines();
    SaveToStream(stream, 0);
}

} // namespace karvell
