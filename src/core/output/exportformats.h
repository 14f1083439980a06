#pragma once
// The formats produced pages can be exported to, as one table: the preview's 导出… dialog
// offers its entries and writes through them, so a new output (a sink) is one more entry.
#include <QBuffer>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

#include "output/numbercells.h"
#include "output/pagesink.h"

namespace karvell {

class TReportDocument;

// What a sink needs besides its file.
struct TExportRequest {
    QString path;
    QString title;
    // The runtime's number cells beside the pages (one entry per page), or null.
    const QList<TPageNumberCells>* numberCells = nullptr;
    // Things the format cannot hold as the page has them, told once each.
    std::function<void(const QString&)> onWarning;
};

struct TExportFormat {
    QString name;        // "PDF", "PDF/A", "XLSX", "OFD"
    QString description; // the save dialog's file type, "PDF 文件"
    QString suffix;      // the file type's extension
    // Paper formats keep the printer's unprintable margins; a spreadsheet has none.
    bool painted = true;
    // The sink writing the file; throws KarvellError when the path cannot be written.
    std::function<std::unique_ptr<TPageSink>(const TExportRequest&)> make;
};

const QList<TExportFormat>& ExportFormats();
// The entry named `name`, or null.
const TExportFormat* FindExportFormat(const QString& name);
// The save dialog's filter, one type per format in the table's order ("desc|*.pdf|…").
QString ExportFilter();
// `path` with the format's suffix when it has none of its own.
QString WithExportSuffix(const TExportFormat& format, const QString& path);

// Writes the produced pages (template streams) through the format's sink, atomically; throws
// KarvellError naming the page or the file. The pages stay as they are.
void ExportPages(const TExportFormat& format, const TExportRequest& request,
                 const QList<QBuffer*>& pages);
// Writes one document as it is (the page a window shows, with its edits).
void ExportDocument(const TExportFormat& format, const TExportRequest& request,
                    const TReportDocument& page);

} // namespace karvell
