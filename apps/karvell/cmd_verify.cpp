// karvell verify: checks an archive package made by `karvell archive`: every hash recomputed,
// every listed file present and nothing else, the index matching the sums, every OFD file read
// again as OFD and its XML parts validated against the format's schemas.
#include <QDir>

#include "command.h"
#include "ofdschema.h"
#include "output/archive.h"

namespace karvell::cli {
namespace {

int RunVerify(const QStringList& args) {
    if (args.size() != 1 || args.first().startsWith(u'-')) {
        PrintError(QStringLiteral("usage: karvell verify DIR"));
        return 1;
    }
    const QString dir = args.first();
    const OfdSchemas schemas;
    const QStringList faults = VerifyArchive(dir, [&schemas](const QByteArray& ofd) {
        return CheckOfdPackage(ofd) + schemas.Check(ofd);
    });
    for (const QString& fault : faults)
        PrintOut(fault + u'\n');
    if (!faults.isEmpty()) {
        PrintError(QStringLiteral("归档“%1”有 %2 处问题").arg(dir).arg(faults.size()));
        return 1;
    }
    const int files = int(QDir(dir).entryList(QDir::Files).size()) - 2;
    PrintOut(QStringLiteral("归档完好：%1 个凭证文件、index.xml 与 SHA256SUMS 一致\n").arg(files));
    return 0;
}

} // namespace

KARVELL_COMMAND(QStringLiteral("verify"), QStringLiteral("verify DIR"),
                QStringLiteral("check an archive package made by `karvell archive`: one line per "
                               "fault (a changed, missing or unlisted file, an index that does "
                               "not match), exit status 1 on any, 0 with a summary when intact"),
                RunVerify);

} // namespace karvell::cli
