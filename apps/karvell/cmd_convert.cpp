// karvell convert: loads a template of any version and writes it in the current one (0xAA57).
#include "command.h"
#include "model/reportdocument.h"
#include "platform/error.h"

namespace karvell::cli {
namespace {

int RunConvert(const QStringList& args) {
    if (args.size() != 2 || args[0].startsWith(u'-') || args[1].startsWith(u'-')) {
        PrintError(QStringLiteral("usage: karvell convert IN OUT"));
        return 1;
    }
    TReportDocument doc;
    try {
        if (!doc.LoadFromFile(args[0])) return 1;
        doc.SaveToFile(args[1]);
    } catch (const KarvellError& e) {
        PrintError(QStringLiteral("karvell convert: %1").arg(e.message()));
        return 1;
    }
    return 0;
}

} // namespace

KARVELL_COMMAND(QStringLiteral("convert"), QStringLiteral("convert IN OUT"),
                QStringLiteral("load a template (versions 0xAA55, 0xAA56, 0xAA57) and save it "
                               "as version 0xAA57"),
                RunConvert);

} // namespace karvell::cli
