// karvell dump: prints a template as the grid holds it after loading, as indented JSON.
#include <QJsonDocument>

#include "command.h"
#include "model/documentjson.h"
#include "model/reportdocument.h"
#include "platform/error.h"

namespace karvell::cli {
namespace {

int RunDump(const QStringList& args) {
    if (args.size() != 1 || args[0].startsWith(u'-')) {
        PrintError(QStringLiteral("usage: karvell dump TEMPLATE"));
        return 1;
    }
    TReportDocument doc;
    try {
        if (!doc.LoadFromFile(args[0])) return 1;
    } catch (const KarvellError& e) {
        PrintError(QStringLiteral("karvell dump: %1").arg(e.message())); // names the file
        return 1;
    }
    PrintOut(QString::fromUtf8(QJsonDocument(DocumentToJson(doc)).toJson(QJsonDocument::Indented)));
    return 0;
}

} // namespace

KARVELL_COMMAND(QStringLiteral("dump"), QStringLiteral("dump TEMPLATE"),
                QStringLiteral("print the template's page, lines and cells as JSON, with the "
                               "values the grid holds after loading it"),
                RunDump);

} // namespace karvell::cli
