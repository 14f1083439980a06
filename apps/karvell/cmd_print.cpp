// karvell print: prints a template as one page on the current printer or into a PDF file, or
// writes that page as a spreadsheet or a fixed-layout (OFD) document.
#include <QFileInfo>

#include "command.h"
#include "ofdoutput.h"
#include "output/pagesink.h"
#include "output/xlsxsink.h"
#include "platform/samefile.h"
#include "reportcontrol.h"
#include "xlsxoutput.h"

namespace karvell::cli {
namespace {

const char* const kUsage =
    "usage: karvell print TEMPLATE [--pdf OUT.pdf | --xlsx OUT.xlsx | --ofd OUT.ofd] [--pdfa]";

int RunPrint(const QStringList& args) {
    QString templateFile, pdfFile, xlsxFile, ofdFile;
    bool pdfa = false; // the PDF (--pdf, or the "PDF" printer's file) as PDF/A-1b
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--pdf") || a == QLatin1String("--xlsx") ||
            a == QLatin1String("--ofd")) {
            if (i + 1 >= args.size()) {
                PrintError(QString::fromLatin1(kUsage));
                return 1;
            }
            (a == QLatin1String("--pdf")    ? pdfFile
             : a == QLatin1String("--xlsx") ? xlsxFile
                                            : ofdFile) = args[++i];
        } else if (a == QLatin1String("--pdfa")) {
            pdfa = true;
        } else if (a.startsWith(u'-') || !templateFile.isEmpty()) {
            PrintError(QString::fromLatin1(kUsage));
            return 1;
        } else {
            templateFile = a;
        }
    }
    if (templateFile.isEmpty() ||
        int(!pdfFile.isEmpty()) + int(!xlsxFile.isEmpty()) + int(!ofdFile.isEmpty()) > 1 ||
        (pdfa && (!xlsxFile.isEmpty() || !ofdFile.isEmpty()))) {
        PrintError(QString::fromLatin1(kUsage));
        return 1;
    }
    RefuseOutputOverInput(QStringLiteral("--pdf"), pdfFile, {templateFile});
    // A file that cannot be saved is refused before the loading.
    std::unique_ptr<TXlsxSink> xlsx =
        OpenXlsxOutput(xlsxFile, QFileInfo(templateFile).completeBaseName(), {templateFile});
    std::unique_ptr<TOfdSink> ofd =
        OpenOfdOutput(ofdFile, QFileInfo(templateFile).completeBaseName(), {templateFile});
    TReportControl grid;
    if (!grid.LoadFromFile(templateFile)) return 1;
    if (xlsx) {
        xlsx->AddPage(grid, CurrentPrinterLayout());
        xlsx->Finish();
        PrintOut(QStringLiteral("XLSX: %1\n").arg(xlsxFile));
        return 0;
    }
    if (ofd) {
        ofd->AddPage(grid, CurrentPrinterLayout());
        ofd->Finish();
        PrintOut(QStringLiteral("OFD: %1\n").arg(ofdFile));
        return 0;
    }
    // Reports the PDF file it wrote on stdout.
    grid.PrintDocument(pdfFile, pdfa ? TPdfStandard::A1b : TPdfStandard::Plain);
    return 0;
}

} // namespace

KARVELL_COMMAND(QStringLiteral("print"),
                QStringLiteral("print TEMPLATE [--pdf OUT.pdf | --xlsx OUT.xlsx | --ofd OUT.ofd] "
                               "[--pdfa]"),
                QStringLiteral("print the template as one page on the current printer (the "
                               "\"PDF\" printer writes into KARVELL_PDF_DIR), into OUT.pdf, or "
                               "as a spreadsheet OUT.xlsx or a fixed-layout document OUT.ofd; "
                               "--pdfa writes the PDF as PDF/A-1b"),
                RunPrint);

} // namespace karvell::cli
