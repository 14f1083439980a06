// Printing the grid's document as one page through the output path: on a CUPS queue, or on
// the built-in "PDF" printer as a PDF file that appears only when it is complete.
#include <cstdio>

#include "output/pagesink.h"
#include "printersink.h"
#include "reportcontrol.h"

namespace karvell {

QString TReportControl::PrintDocument(const QString& pdfFile, TPdfStandard standard) {
    QString path;
    // The grid's paper is the printer's until it is saved: page setup changes the printer.
    std::unique_ptr<TPageSink> sink =
        MakePrintSink(QStringLiteral("Danmere"), pdfFile, &path, standard);
    sink->AddPage(*this, CurrentPrinterLayout());
    sink->Finish();
    if (!path.isEmpty()) {
        const QByteArray line = "PDF: " + path.toUtf8() + '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fflush(stdout);
    }
    return path;
}

} // namespace karvell
