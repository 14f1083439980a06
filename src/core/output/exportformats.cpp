#include "output/exportformats.h"

#include <QFileInfo>

#include "output/ofdsink.h"
#include "output/pagewriter.h"
#include "output/pdfsink.h"
#include "output/xlsxsink.h"

namespace karvell {
namespace {

std::unique_ptr<TPageSink> MakePdf(const TExportRequest& r, TPdfStandard standard) {
    return std::make_unique<TPdfSink>(r.path, r.title, PdfResolution(), standard);
}

std::unique_ptr<TPageSink> MakeXlsx(const TExportRequest& r) {
    auto sink = std::make_unique<TXlsxSink>(r.path, r.title);
    sink->SetNumberCells(r.numberCells);
    sink->OnWarning = r.onWarning;
    return sink;
}

} // namespace

const QList<TExportFormat>& ExportFormats() {
    static const QList<TExportFormat> formats = {
        {QStringLiteral("PDF"), QStringLiteral("PDF 文件"), QStringLiteral("pdf"), true,
         [](const TExportRequest& r) { return MakePdf(r, TPdfStandard::Plain); }},
        {QStringLiteral("PDF/A"), QStringLiteral("PDF/A-1b 归档文件"), QStringLiteral("pdf"), true,
         [](const TExportRequest& r) { return MakePdf(r, TPdfStandard::A1b); }},
        {QStringLiteral("XLSX"), QStringLiteral("Excel 工作簿"), QStringLiteral("xlsx"), false,
         MakeXlsx},
        // Laid out at the PDF's resolution, so both put everything in the same places.
        {QStringLiteral("OFD"), QStringLiteral("OFD 版式文件"), QStringLiteral("ofd"), true,
         [](const TExportRequest& r) -> std::unique_ptr<TPageSink> {
             return std::make_unique<TOfdSink>(r.path, r.title, PdfResolution());
         }},
    };
    return formats;
}

const TExportFormat* FindExportFormat(const QString& name) {
    for (const TExportFormat& format : ExportFormats())
        if (format.name == name) return &format;
    return nullptr;
}

QString ExportFilter() {
    QStringList parts;
    for (const TExportFormat& format : ExportFormats())
        parts << format.description << QStringLiteral("*.") + format.suffix;
    return parts.join(u'|');
}

QString WithExportSuffix(const TExportFormat& format, const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
    return path + u'.' + format.suffix;
}

void ExportPages(const TExportFormat& format, const TExportRequest& request,
                 const QList<QBuffer*>& pages) {
    std::unique_ptr<TPageSink> sink = format.make(request);
    TPageWriter writer = format.painted ? TPageWriter(*sink) : TPageWriter(*sink, QMarginsF());
    writer.Write(pages);
    sink->Finish();
}

void ExportDocument(const TExportFormat& format, const TExportRequest& request,
                    const TReportDocument& page) {
    TExportRequest one = request;
    one.numberCells = nullptr; // the runtime's number cells describe its pages, not this one
    std::unique_ptr<TPageSink> sink = format.make(one);
    // A document being shown is on the printer's paper, as when it is printed.
    sink->AddPage(page, CurrentPrinterLayout());
    sink->Finish();
}

} // namespace karvell
