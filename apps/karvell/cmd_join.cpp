// karvell join: the part files of a batch printed with --shard (PDF, OFD, XLSX), joined in the
// order given into the file the whole batch gives. Pages are copied as they are, not painted again.
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <memory>
#include <vector>

#include "command.h"
#include "output/ofdjoin.h"
#include "output/pdfjoin.h"
#include "output/xlsxjoin.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/samefile.h"

namespace karvell::cli {
namespace {

const char* const kUsage = "usage: karvell join OUT.pdf|OUT.ofd|OUT.xlsx PART...";

// The parts are read and the file written object by object: joining the parts of a long
// period holds no whole file in memory.
void JoinPdfs(const QString& out, const QStringList& parts) {
    std::vector<std::unique_ptr<QFile>> files;
    QList<QIODevice*> pdfs;
    for (const QString& part : parts) {
        files.push_back(std::make_unique<QFile>(part));
        QFile& file = *files.back();
        if (!file.open(QIODevice::ReadOnly))
            throw KarvellError(
                QStringLiteral("无法读取部分文件“%1”：%2").arg(part, file.errorString()));
        if (file.size() == 0) continue; // a part without vouchers
        if (!file.peek(5).startsWith("%PDF-"))
            throw KarvellError(QStringLiteral("“%1”不是 PDF 文件").arg(part));
        pdfs.append(&file);
    }
    if (pdfs.isEmpty())
        throw KarvellError(QStringLiteral("所有部分都是空的，没有可写入“%1”的页").arg(out));
    AtomicFile file(out);
    if (!WriteJoinedPdf(pdfs, PdfTextFixes{{}, false},
                        [&file](const QByteArray& bytes) { file.Write(bytes); }))
        throw KarvellError(QStringLiteral("这些 PDF 部分无法合并：只能合并 karvell 写出的 PDF"));
    file.Commit();
    PrintOut(QStringLiteral("PDF: %1\n").arg(out));
}

// Every part added to `joined` in order, but the empty ones (a part without vouchers); throws
// KarvellError naming a part that is not a readable file.
template <typename Join> void AddParts(Join& joined, const QStringList& parts) {
    for (const QString& part : parts) {
        const QFileInfo info(part);
        if (!info.isFile() || !info.isReadable())
            throw KarvellError(QStringLiteral("无法读取部分文件“%1”").arg(part));
        if (info.size() > 0) joined.Add(part);
    }
}

// Pages are read a part at a time and kept in a temporary file until the package is made.
void JoinOfds(const QString& out, const QStringList& parts) {
    OfdJoin joined;
    AddParts(joined, parts);
    if (joined.PageCount() == 0)
        throw KarvellError(QStringLiteral("所有部分都是空的，没有可写入“%1”的页").arg(out));
    AtomicFile file(out);
    joined.Save(file, OfdInfo{QFileInfo(out).completeBaseName(), OfdCreatorVersion(), {}});
    PrintOut(QStringLiteral("OFD: %1\n").arg(out));
}

// Sheets are read a part at a time and kept in a temporary file until the workbook is made.
void JoinXlsxs(const QString& out, const QStringList& parts) {
    XlsxJoin joined;
    AddParts(joined, parts);
    if (joined.SheetCount() == 0)
        throw KarvellError(QStringLiteral("所有部分都是空的，没有可写入“%1”的工作表").arg(out));
    AtomicFile file(out);
    joined.Save(file, QFileInfo(out).completeBaseName());
    PrintOut(QStringLiteral("XLSX: %1\n").arg(out));
}

int RunJoin(const QStringList& args) {
    if (args.size() < 2 || std::any_of(args.cbegin(), args.cend(),
                                       [](const QString& a) { return a.startsWith(u'-'); })) {
        PrintError(QString::fromLatin1(kUsage));
        return 1;
    }
    const QString out = args.front();
    const QStringList parts = args.mid(1);
    // The output's kind is the parts' kind.
    const QString kind = QFileInfo(out).suffix().toLower();
    if (kind != QLatin1String("pdf") && kind != QLatin1String("ofd") &&
        kind != QLatin1String("xlsx")) {
        PrintError(QStringLiteral("karvell join 只能合并 PDF、OFD 或 XLSX 文件，“%1”不是 .pdf、"
                                  ".ofd 或 .xlsx")
                       .arg(out));
        return 1;
    }
    for (const QString& part : parts) {
        if (QFileInfo(part).suffix().toLower() == kind) continue;
        PrintError(QStringLiteral("部分文件“%1”不是 .%2 文件：各部分与“%3”须是同一种文件")
                       .arg(part, kind, out));
        return 1;
    }
    RefuseOutputOverInput(QStringLiteral("OUT.") + kind, out, parts);
    if (kind == QLatin1String("pdf"))
        JoinPdfs(out, parts);
    else if (kind == QLatin1String("ofd"))
        JoinOfds(out, parts);
    else
        JoinXlsxs(out, parts);
    return 0;
}

} // namespace

KARVELL_COMMAND(
    QStringLiteral("join"), QStringLiteral("join OUT.pdf|OUT.ofd|OUT.xlsx PART..."),
    QStringLiteral("join the PDF, OFD or XLSX parts of a batch printed with --shard, in "
                   "the order given, into one file without painting the pages again"),
    RunJoin);

KARVELL_COMMAND_DETAILS(
    QStringLiteral("join"),
    QStringLiteral(
        "Give the parts in part order (1/N first). Empty parts (0 bytes: a part of\n"
        "`karvell batch --shard` that got no voucher) are passed over. The result is the file\n"
        "the unsharded batch gives, in text and in pixels.\n"
        "\n"
        "The parts are PDF (OUT.pdf), OFD (OUT.ofd) or XLSX (OUT.xlsx) files written by\n"
        "karvell, all of one kind. The pages of joined OFD parts keep their characters and\n"
        "lines; each part's fonts and pictures stay resources of their own. The worksheets of\n"
        "joined XLSX parts keep their cells, formats, merged ranges and pictures; a sheet whose\n"
        "name an earlier one has is renamed as the whole batch renames it.\n"
        "\n"
        "Exit status: 0 written, 1 nothing written (an unreadable or foreign part, parts of\n"
        "another kind, all parts empty, OUT one of the parts)."));

} // namespace karvell::cli
