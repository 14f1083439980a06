// karvell print: prints a template as one page on the current printer or into a PDF file.
#include "command.h"
#include "platform/samefile.h"
#include "reportcontrol.h"

namespace karvell::cli {
namespace {

const char* const kUsage = "usage: karvell print TEMPLATE [--pdf OUT.pdf]";

int RunPrint(const QStringList& args) {
    QString templateFile, pdfFile;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--pdf")) {
            if (i + 1 >= args.size()) {
                PrintError(QString::fromLatin1(kUsage));
                return 1;
            }
            pdfFile = args[++i];
        } else if (a.startsWith(u'-') || !templateFile.isEmpty()) {
            PrintError(QString::fromLatin1(kUsage));
            return 1;
        } else {
            templateFile = a;
        }
    }
    if (templateFile.isEmpty()) {
        PrintError(QString::fromLatin1(kUsage));
        return 1;
    }
    RefuseOutputOverInput(QStringLiteral("--pdf"), pdfFile, {templateFile});
    TReportControl grid;
    if (!grid.LoadFromFile(templateFile)) return 1;
    grid.PrintDocument(pdfFile); // reports the PDF file it wrote on stdout
    return 0;
}

} // namespace

KARVELL_COMMAND(QStringLiteral("print"), QStringLiteral("print TEMPLATE [--pdf OUT.pdf]"),
                QStringLiteral("print the template as one page on the current printer (the "
                               "\"PDF\" printer writes into KARVELL_PDF_DIR) or into OUT.pdf"),
                RunPrint);

} // namespace karvell::cli
