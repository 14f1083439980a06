// karvell join: the part files of a batch printed with --shard, joined in the order given into
// the file the whole batch gives. Pages are copied as they are, not painted again.
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <memory>
#include <vector>

#include "command.h"
#include "output/pdfjoin.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/samefile.h"

namespace karvell::cli {
namespace {

const char* const kUsage = "usage: karvell join OUT.pdf PART.pdf...";

int RunJoin(const QStringList& args) {
    if (args.size() < 2 || std::any_of(args.cbegin(), args.cend(),
                                       [](const QString& a) { return a.startsWith(u'-'); })) {
        PrintError(QString::fromLatin1(kUsage));
        return 1;
    }
    const QString out = args.front();
    const QStringList parts = args.mid(1);
    for (const QString& name : args) {
        const QString suffix = QFileInfo(name).suffix().toLower();
        if (suffix == QLatin1String("pdf")) continue;
        if (suffix == QLatin1String("xlsx") || suffix == QLatin1String("ofd")) {
            PrintError(QStringLiteral("karvell join 暂不支持合并 %1 文件（“%2”），只能合并 PDF")
                           .arg(suffix.toUpper(), name));
            return 1;
        }
        PrintError(QStringLiteral("karvell join 只能合并 PDF 文件，“%1”不是 .pdf").arg(name));
        return 1;
    }
    RefuseOutputOverInput(QStringLiteral("OUT.pdf"), out, parts);

    // The parts are read and the file written object by object: joining the parts of a long
    // period holds no whole file in memory.
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
    if (pdfs.isEmpty()) {
        PrintError(QStringLiteral("所有部分都是空的，没有可写入“%1”的页").arg(out));
        return 1;
    }
    AtomicFile file(out);
    if (!WriteJoinedPdf(pdfs, PdfTextFixes{{}, false},
                        [&file](const QByteArray& bytes) { file.Write(bytes); }))
        throw KarvellError(QStringLiteral("这些 PDF 部分无法合并：只能合并 karvell 写出的 PDF"));
    file.Commit();
    PrintOut(QStringLiteral("PDF: %1\n").arg(out));
    return 0;
}

} // namespace

KARVELL_COMMAND(QStringLiteral("join"), QStringLiteral("join OUT.pdf PART.pdf..."),
                QStringLiteral("join the PDF parts of a batch printed with --shard, in the order "
                               "given, into OUT.pdf without painting the pages again"),
                RunJoin);

KARVELL_COMMAND_DETAILS(
    QStringLiteral("join"),
    QStringLiteral(
        "Give the parts in part order (1/N first). Empty parts (0 bytes: a part of\n"
        "`karvell batch --shard` that got no voucher) are passed over. The result is the file\n"
        "the unsharded batch gives, in text and in pixels.\n"
        "\n"
        "Only PDF parts written by karvell can be joined; XLSX and OFD parts are refused\n"
        "(not supported yet).\n"
        "\n"
        "Exit status: 0 written, 1 nothing written (an unreadable or foreign part, all parts\n"
        "empty, OUT.pdf one of the parts)."));

} // namespace karvell::cli
