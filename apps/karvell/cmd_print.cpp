// karvell print: prints a template as one page on the current printer or into a PDF file, or
// writes that page as a spreadsheet.
#include <QFileInfo>

#include "command.h"
#include "output/pagesink.h"
#include "output/xlsxsink.h"
#include "platform/samefile.h"
#include "reportcontrol.h"
#include "xlsxoutput.h"

namespace karvell::cli {
namespace {

const char* const kUsage =
    "usage: karvell print TEMPLATE [--pdf OUT.pdf | --xlsx OUT.xlsx] [--pdfa]";

int RunPrint(const QStringList& args) {
    QString templateFile, pdfFile, xlsxFile;
    bool pdfa = false; // the PDF (--pdf, or the "PDF" printer's file) as PDF/A-1b
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--pdf") || a == QLatin1String("--xlsx")) {
            if (i + 1 >= args.size()) {
                PrintError(QString::fromLatin1(kUsage));
                return 1;
            }
            (a == QLatin1String("--pdf") ? pdfFile : xlsxFile) = args[++i];
        } else if (a == QLatin1String("--pdfa")) {
            pdfa = true;
        } else if (a.startsWith(u'-') || !templateFile.isEmpty()) {
            PrintError(QString::fromLatin1(kUsage));
            return 1;
        } else {
            templateFile = a;
        }
    }
    if (templateFile.isEmpty() || (!pdfFile.isEmpty() && !xlsxFile.isEmpty()) ||
        (pdfa && !xlsxFile.isEmpty())) {
        PrintError(QString::fromLatin1(kUsage));
        return 1;
    }
    RefuseOutputOverInput(QStringLiteral("--pdf"), pdfFile, {templateFile});
    // A file that cannot be saved is refused before the loading.
    std::unique_ptr<TXlsxSink> xlsx =
        OpenXlsxOutput(xlsxFile, QFileInfo(templateFile).completeBaseName(), {templateFile});
    TReportControl grid;
    if (!grid.LoadFromFile(templateFile)) return 1;
    if (xlsx) {
        xlsx->AddPage(grid, CurrentPrinterLayout());
        xlsx->Finish();
        PrintOut(QStringLiteral("XLSX: %1\n").arg(xlsxFile));
        return 0;
    }
    // Reports the PDF file it wrote on stdout.
    grid.PrintDocument(pdfFile, pdfa ? TPdfStandard::A1b : TPdfStandard::Plain);
    return 0;
}

} // namespace

KARVELL_COMMAND(QStringLiteral("print"),
                QStringLiteral("print TEMPLATE [--pdf OUT.pdf | --xlsx OUT.xlsx] [--pdfa]"),
                QStringLiteral("print the template as one page on the current printer (the "
                               "\"PDF\" printer writes into KARVELL_PDF_DIR), into OUT.pdf, or "
                               "as a spreadsheet OUT.xlsx; --pdfa writes the PDF as PDF/A-1b"),
                RunPrint);

} // namespace karvell::cli
